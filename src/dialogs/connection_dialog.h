#pragma once

#include "dialogs/connection_inputs.h"
#include "link/port_discovery.h"

#include <QDialog>
#include <functional>
#include <vector>

struct NetworkContext;
class SettingsStore;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// "Port Select": how the suite reaches the radio (a serial port with its baud rate,
// or a device server's IP address and TCP port) and the stop-light thresholds of the
// link quality meter for the test and meter current when the dialog was shown. OK
// reopens the link with the choice and stores everything once the link is open;
// Cancel changes nothing.
//
// The dialog is not modal, and OK on a TCP link waits up to two seconds for the
// connection while the user interface keeps running. During that wait OK is
// disabled, and Cancel, Escape or closing the window only note that the user wants
// the dialog gone: the attempt finishes as OK would (opened: stored; failed:
// nothing stored) and the dialog closes afterwards. It is never deleted while its
// own wait runs. Whoever owns it may hide it and show it again: every new show
// loads the stored settings afresh, as a newly opened dialog would.
class ConnectionDialog : public QDialog {
    Q_OBJECT
public:
    ConnectionDialog(NetworkContext& suite, SettingsStore& store, QWidget* parent = nullptr);

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

    // Closing waits for a running connect (see above).
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void buildControls();
    void Form_Load();
    void showRanges();
    ScaleEnds shownScale() const;
    // The checks that leaving each box runs, for OK however it was pressed.
    void checkEveryBox();
    ConnectionChoice choiceInControls() const;
    void setConnecting(bool connecting);
    void thresholdLeft(int box);
    void ipPartChanged(int box);
    void tcpPortLeft();
    void addressPicked(const QString& address);
    // Key filtering of the small boxes; true when the key is to be dropped.
    bool filterKey(QObject* box, class QKeyEvent* key);

    NetworkContext& suite_;
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
    QPushButton* ok_ = nullptr;
    // The test and meter whose thresholds the boxes were filled with: OK stores the
    // boxes under these, whatever the Network Query window has chosen since.
    int shownTest_ = 0;
    int shownMeter_ = 0;
    // An OK is waiting for the link to open.
    bool connecting_ = false;
    // Cancel, Escape or the window's close came during that wait.
    bool closeRequested_ = false;
    // Hidden since it was loaded: the next show loads the stored settings again.
    bool reloadOnShow_ = false;
    // What a box held when it got the focus (or when it was filled).
    int rememberedThreshold_[2] = {};
    QString rememberedIp_[4];
    QString rememberedTcpPort_;
};
