#pragma once

#include "link/port_discovery.h"

#include <QDialog>
#include <functional>
#include <vector>

class Suite;
class SettingsStore;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// "Port Select": how the suite reaches the radio (a serial port with its baud rate,
// or a device server's IP address and TCP port) and the stop-light thresholds of the
// link quality meter for the current test and meter. OK reopens the link with the
// choice and stores everything once the link is open; Cancel changes nothing.
class ConnectionDialog : public QDialog {
    Q_OBJECT
public:
    ConnectionDialog(Suite& suite, SettingsStore& store, QWidget* parent = nullptr);

    // The serial devices of this computer (replaced in tests).
    std::function<std::vector<SerialDevice>()> presentDevices = PresentSerialDevices;

    // Refills the port list from the devices present (each time the dialog is
    // activated).
    void Form_Activate();
    void USBCOMSelect_Click(int index);
    void Command2_Click(); // OK
    void Command1_Click(); // Cancel
    void Command3_Click(); // Default

    QComboBox* portBox() const { return portBox_; }
    QComboBox* baudBox() const { return baudBox_; }
    QRadioButton* linkChoice(int index) const { return linkChoice_[index]; }
    QLineEdit* thresholdBox(int index) const { return thresholds_[index]; }
    QLabel* rangeLabel(int index) const { return ranges_[index]; } // 0 Good, 1 Marginal, 2 Bad
    QLineEdit* ipBox(int index) const { return ip_[index]; }
    QComboBox* addressList() const { return addressList_; }
    QLineEdit* tcpPortBox() const { return tcpPort_; }
    QString statusText() const;
    QString firstLabelText() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildControls();
    void Form_Load();
    void showRanges();
    void thresholdLeft(int box);
    void ipPartChanged(int box);
    void tcpPortLeft();
    void addressPicked(const QString& address);
    // Key filtering of the small boxes; true when the key is to be dropped.
    bool filterKey(QObject* box, class QKeyEvent* key);

    Suite& suite_;
    SettingsStore& store_;
    PortList ports_;
    QRadioButton* linkChoice_[2] = {};
    QLabel* label1_ = nullptr;
    QLabel* label3_ = nullptr;
    QComboBox* portBox_ = nullptr;
    QComboBox* baudBox_ = nullptr;
    QFrame* ipFrame_ = nullptr;
    QLineEdit* ip_[4] = {};
    QComboBox* addressList_ = nullptr;
    QLineEdit* tcpPort_ = nullptr;
    QLabel* status_ = nullptr;
    QLineEdit* thresholds_[2] = {};
    QLabel* ranges_[3] = {};
    // What a box held when it got the focus.
    int rememberedThreshold_[2] = {};
    QString rememberedIp_[4];
    QString rememberedTcpPort_;
};
