#pragma once

#include <QString>
#include <QWidget>
#include <functional>

struct NetworkContext;
class SettingsStore;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTextEdit;

// Stores the packet size under "TXTestSize" in section "Settings" and flushes the
// file: the one key the Ping Test window writes, on Create Data.
void SaveTestPacketSize(const QString& sizeText, SettingsStore& store);

// The Ping Test window. It prepares the transmit packet of a ping test: the user
// chooses a packet size, the window generates a packet of that many characters and
// shows it in the transmit terminal; a receive terminal can be shown in its place.
// Nothing is sent to the radio, so the receive terminal and the results frame keep
// their initial contents.
class PingTestWindow : public QWidget {
    Q_OBJECT
public:
    struct Hooks {
        std::function<void()> tileChildWindows;
    };

    PingTestWindow(NetworkContext& suite, SettingsStore& store, Hooks hooks, QWidget* parent = nullptr);
    ~PingTestWindow() override;

    // Runs whenever the window becomes the active window (the main window calls it;
    // the first show calls it once): generates the packet from the size box and
    // shows the transmit view, so a changed size takes effect even without
    // Create Data.
    void Form_Activate();

    // Event handlers, named after their controls.
    void Button_Generate_Data_Click();
    void Option_Port1View_Click(int index);
    void Label_GenerateData_Click();

    // The last generated packet.
    QString TXTestData() const { return txTestData_; }

    QLineEdit* sizeBox() const { return text2_; }
    QPushButton* createButton() const { return generate_; }
    QRadioButton* viewOption(int index) const;
    QTextEdit* transmitTerminal() const { return txTerminal_; }
    QTextEdit* receiveTerminal() const { return rxTerminal_; }
    QLabel* unitLabel() const { return unitLabel_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void Form_Resize();
    void Text2_GotFocus();
    void Text2_LostFocus();
    bool Text2_KeyPress(int characterCode);
    void generatePacket();
    void showTransmitView();
    QGroupBox* buildPacketFrame();
    QGroupBox* buildResultsFrame();

    NetworkContext& suite_;
    SettingsStore& store_;
    Hooks hooks_;
    QString txTestData_;
    int rememberedSize_ = 0;
    bool shownOnce_ = false;
    bool closed_ = false;

    QGroupBox* frame1_ = nullptr;
    QGroupBox* frame2_ = nullptr;
    QPushButton* generate_ = nullptr;
    QLineEdit* text2_ = nullptr;
    QLabel* unitLabel_ = nullptr;
    QRadioButton* viewOptions_[2] = {};
    QTextEdit* rxTerminal_ = nullptr;
    QTextEdit* txTerminal_ = nullptr;
};
