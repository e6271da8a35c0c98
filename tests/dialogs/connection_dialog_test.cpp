// "Port Select", "Settings" (colours) and "Ping Test" on a suite whose radio is the emulator:
// what OK stores, what Cancel and a port that does not open leave alone, the boxes'
// rules as the user meets them, what the user may do while OK waits for a TCP
// connect, and the colour swatches.

#include "dialogs/colour_dialog.h"
#include "dialogs/connection_dialog.h"
#include "dialogs/packet_generator.h"
#include "dialogs/ping_test_window.h"
#include "network/network_window.h"
#include "support/keyboard_editing.h"
#include "support/main_window_fixture.h"

#include <QtWidgets>
#include <arpa/inet.h>
#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// A TCP endpoint on 127.0.0.1 that leaves a connect pending, for tests of what the
// user does while the suite waits for a device server to answer.
//
// The listening socket is never served and its accept queue is filled by
// connections of its own. The kernel then drops further SYNs, so a client's connect
// stays pending and is retried by the client's own SYN retransmission (the first
// after about one second). acceptLate() frees one place in the queue: the next
// retransmission then completes the connect, as a server that answers late would.
// Nothing leaves the loopback interface.
class StalledTcpEndpoint {
public:
    StalledTcpEndpoint() {
        sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        auto* where = reinterpret_cast<sockaddr*>(&address);
        socklen_t length = sizeof address;
        if (::bind(fds_[0], where, length) != 0 || ::listen(fds_[0], 1) != 0 ||
            ::getsockname(fds_[0], where, &length) != 0)
            return;
        port_ = ntohs(address.sin_port);
        // Fill the queue until a connect is not answered at once (on loopback it
        // would be): its SYN was dropped. That last one is closed, so that its own
        // retransmission cannot take a place freed later.
        for (int i = 0; i < 8 && !full_; ++i) {
            fds_.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
            pollfd wait{fds_.back(), POLLOUT, 0};
            if (::connect(fds_.back(), where, length) != 0 && errno != EINPROGRESS)
                return;
            if ((full_ = ::poll(&wait, 1, 300) != 1))
                ::close(fds_.back()), fds_.pop_back();
        }
    }
    ~StalledTcpEndpoint() {
        for (const int fd : fds_)
            ::close(fd);
    }

    // The port listening with a full queue, 0 if there is none.
    quint16 port() const { return full_ ? port_ : 0; }
    // Takes one queued connection off the queue, making room for a pending connect.
    void acceptLate() { ::close(::accept4(fds_[0], nullptr, nullptr, SOCK_CLOEXEC)); }

private:
    std::vector<int> fds_{::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)}; // the listener first
    quint16 port_ = 0;
    bool full_ = false;
};

class PortSelectTest : public MainWindowOnEmulator {
protected:
    static QPushButton* button(QWidget* dialog, const char* text) {
        return buttonCalled(dialog, QString::fromLatin1(text));
    }
    static void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    // Gives a box the focus with a click, as the user does, and types over its text
    // (the box selects it once the focus has arrived; nothing typed empties it); Tab
    // leaves it if asked.
    static void typeInto(QLineEdit* box, const char* typed, bool leave = false) {
        box->window()->activateWindow();
        QTest::mouseClick(box, Qt::LeftButton);
        ASSERT_TRUE(runEventsUntil(
            [box] { return box->hasFocus() && box->selectedText() == box->text(); }, 2000));
        QTest::keyClicks(box, *typed ? QString::fromLatin1(typed) : QStringLiteral("\b"));
        if (leave)
            QTest::keyClick(box, Qt::Key_Tab);
    }
    // Clicks an option button on its round indicator.
    static void clickOption(QRadioButton* o) {
        QTest::mouseClick(o, Qt::LeftButton, {}, {8, o->height() / 2});
    }

    // The dialog with COM3 leading to the emulator and no other serial device.
    ConnectionDialog* openDialog() {
        // One closed before goes first, as the event loop would have let it go.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        suite->link.DeviceOverride.clear();
        suite->settings.ComPortDevices[2] = emulator.devicePath();
        ConnectionDialog* dialog = window->openConnectionDialog();
        dialog->presentDevices = [] { return std::vector<SerialDevice>{}; };
        dialog->Form_Activate();
        return dialog;
    }

    // The dialog set to the device server at 127.0.0.1:`port`.
    ConnectionDialog* openDialogOnTcp(quint16 port) {
        ConnectionDialog* dialog = openDialog();
        clickOption(dialog->linkChoice(1));
        emit dialog->addressList()->textActivated(QStringLiteral("127.0.0.1"));
        dialog->tcpPortBox()->setText(QString::number(port));
        // Port 0: there is no stalled endpoint.
        EXPECT_EQ(dialog->firstLabelText() + QString::number(port != 0), "&IP Address:1");
        return dialog;
    }

    using Step = std::pair<int, std::function<void()>>; // ms after OK, what the user does

    // Clicks OK and runs each step at its time while OK's handler runs; returns when
    // the handler has returned and every step has run.
    void clickOk(ConnectionDialog* dialog, std::vector<Step> during = {}) {
        during.push_back(
            {0, [ok = QPointer(button(dialog, "OK"))] { ok ? click(ok) : ADD_FAILURE(); }});
        std::size_t stepsRun = 0;
        for (const Step& step : during)
            QTimer::singleShot(step.first, &scope,
                               [&stepsRun, act = step.second] { act(), ++stepsRun; });
        ASSERT_TRUE(runEventsUntil([&] { return stepsRun == during.size(); }, 10000));
    }

    // What the user sees and may touch while a connect is pending: OK refused, the
    // connect marked as the radio operation, and the dialog itself.
    void expectConnecting(const QPointer<ConnectionDialog>& dialog) {
        ASSERT_TRUE(dialog) << "the dialog was destroyed inside its own wait";
        // Depth 2 would be a second connect inside the first.
        EXPECT_EQ(std::tuple(suite->wait.depth(), suite->flags.radioInUse(),
                             button(dialog, "OK")->isEnabled()),
                  std::tuple(1, true, false));
    }

    void SetUp() override { startSuite(); }
    QObject scope; // context of the test's timers: destroyed first, cancelling them
};
// Starts without the emulator.
class MainWindowStartUp : public PortSelectTest {
    void SetUp() override {}
};
using PingTestWindowTest = MainWindowStartUp;
} // namespace

TEST_F(PortSelectTest, TheKeyboardEditsAndLeavesEveryFilteredBox) {
    suite->settings.MeterType[0] = 1; // Percent Good: 0 to 100
    ConnectionDialog* dialog = openDialog();
    QLineEdit* port = dialog->tcpPortBox();
    for (int i = 0; i < 7; ++i) { // the thresholds, then the TCP/IP boxes
        if (i == 2)
            clickOption(dialog->linkChoice(1));
        QLineEdit* box = i < 2 ? dialog->thresholdBox(i) : i < 6 ? dialog->ipBox(i - 2) : port;
        box->setText(QStringLiteral("12"));
        clickIntoBox(box);
        expectKeyboardEditing(box);
    }
    // A full port box takes no more digits (6 refused), but Delete still deletes.
    port->setText(QStringLiteral("12345"));
    clickIntoBox(port);
    for (const Qt::Key key : {Qt::Key_End, Qt::Key_6, Qt::Key_Home})
        QTest::keyClick(port, key);
    pressDelete(port);
    EXPECT_EQ(port->text() + messages.shown.join(u'|'), QStringLiteral("2345"));

    // Left with what they cannot take, the boxes go back to what they had.
    dialog->thresholdBox(1)->setText(QStringLiteral("-90"));
    dialog->Command3_Click(); // Default puts the meter's 85 / 70 back in the boxes only
    // A good-to-marginal threshold of 60 is below the bad one.
    typeInto(dialog->thresholdBox(0), "60", true);
    typeInto(dialog->thresholdBox(0), "86", true);
    EXPECT_EQ(dialog->thresholdBox(1)->text() + dialog->thresholdBox(0)->text() +
                  dialog->rangeLabel(0)->text(),
              "7086(100 to 87)");

    QLineEdit* part = dialog->ipBox(0);
    part->setText(QStringLiteral("10"));
    typeInto(part, "", true);
    QTest::keyClicks(part, QStringLiteral("25"));
    EXPECT_TRUE(messages.shown.isEmpty()); // not checked before the third digit
    QTest::keyClick(part, Qt::Key_6);
    EXPECT_EQ(part->text() + messages.shown.value(0), "10Value must be between 0 and 255.");
    emit dialog->addressList()->textActivated(QStringLiteral("192.168.4.20"));
    EXPECT_EQ(dialog->ipBox(3)->text(), QStringLiteral("20"));
    typeInto(port, "0080", true);
    typeInto(port, "70000", true);
    EXPECT_EQ(port->text() + messages.shown.last(), "80Select a value between 0 and 65,535.");
}

// Enter in a box presses OK while the box keeps the focus: its check must still run.
TEST_F(PortSelectTest, EveryWayOfPressingOkChecksTheBoxesFirst) {
    // Good to marginal -100 lies below marginal to bad -95; an emptied box is not a
    // threshold of 0. Either box keeps what it had.
    for (const auto& [which, typed, stored] :
         {std::tuple(0, "-100", "Marginal%20Stop%20Light%2000=-80"),
          {1, "", "Bad%20Stop%20Light%2000=-95"}}) {
        QPointer<ConnectionDialog> dialog = openDialog();
        dialog->portBox()->setCurrentIndex(2);
        QLineEdit* box = dialog->thresholdBox(which);
        typeInto(box, typed);
        ASSERT_EQ(box->text(), QString::fromLatin1(typed));
        QTest::keyClick(box, Qt::Key_Return);
        EXPECT_FALSE(dialog && dialog->isVisible()); // OK went through
        EXPECT_TRUE(storedText().contains(QString::fromLatin1(stored))) << stored;
    }
}

TEST_F(PortSelectTest, OkIsRefusedWhileAnotherRadioOperationRuns) {
    const QString before = storedText();
    const QPointer<ConnectionDialog> dialog = openDialog(); // OK may let it go
    dialog->portBox()->setCurrentIndex(2);
    dialog->baudBox()->setCurrentIndex(5);
    {
        // A test run or a network query holds the radio (each marks itself so).
        const RadioOperation running(suite->flags);
        clickOk(dialog);
        EXPECT_EQ(std::tuple(dialog->isVisible(), dialog->statusText(), suite->settings.Baud,
                             suite->link.portSettings.Baud, storedText()),
                  std::tuple(true, "Stop the running test before changing the connection.", 10,
                             57600, before));
    }
    dialog->thresholdBox(0)->setText(QStringLiteral("-78"));
    clickOk(dialog); // once it has ended, the same OK goes through
    EXPECT_FALSE(dialog && dialog->isVisible());
    EXPECT_EQ(std::tuple(suite->link.portSettings.CommPort, suite->link.portSettings.Baud,
                         suite->settings.BaudText),
              std::tuple(3, 9600, QStringLiteral("9600")));
    for (const QString& line : QStringList{
             "Port=2", "Baud=5", "Port1%20USB=0", "Marginal%20Stop%20Light%2000=-78",
             "Bad%20Stop%20Light%2011=70", "TCP%20Port=5000", "COM3=" + emulator.devicePath()})
        EXPECT_TRUE(storedText().contains(line)) << qPrintable(line + '\n' + storedText());
    // A port with no radio behind it is refused, and the link that worked opens again.
    suite->settings.ComPortDevices[0] = QStringLiteral("/dev/no-such-radio");
    const QPointer<ConnectionDialog> again = openDialog();
    again->portBox()->setCurrentIndex(0);
    clickOk(again);
    EXPECT_EQ(std::tuple(again && again->isVisible(), suite->link.PortIsOpen,
                         suite->link.portSettings.CommPort, suite->settings.BaudText),
              std::tuple(true, true, 3, QStringLiteral("9600")));
}

TEST_F(PortSelectTest, ClosingTheDialogWhileOkConnectsWaitsForTheConnect) {
    const QString before = storedText();
    // OK again, then Cancel; the window's close; Escape, and the server answers late.
    const std::function<void(ConnectionDialog*)> ways[] = {
        [](ConnectionDialog* dialog) {
            click(button(dialog, "OK")), click(button(dialog, "Cancel"));
        },
        [](ConnectionDialog* dialog) { dialog->windowHandle()->close(); },
        [](ConnectionDialog* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); }};
    for (const auto& close : ways) {
        const bool answersLate = &close == &ways[2]; // else it never answers
        StalledTcpEndpoint server;
        QPointer<ConnectionDialog> dialog = openDialogOnTcp(server.port());
        std::vector<Step> during{
            {200, [&] { expectConnecting(dialog), dialog ? close(dialog) : void(); }},
            {500, [&] { expectConnecting(dialog); }}};
        if (answersLate)
            during.push_back({100, [&server] { server.acceptLate(); }});
        clickOk(dialog, during);
        // The close came after the connect had ended, as asked; the attempt decided
        // what was kept.
        EXPECT_FALSE((dialog && dialog->isVisible()) || suite->flags.radioInUse());
        const QString stored = storedText();
        EXPECT_EQ(std::tuple(suite->settings.ConnectionType, stored == before,
                             stored.contains("Port1%20USB=1") &&
                                 stored.contains("TCP%20Port=" + QString::number(server.port()))),
                  std::tuple(answersLate ? 1 : 0, !answersLate, answersLate))
            << qPrintable(stored);
    }
}

TEST_F(PortSelectTest, WhatTheUserChangesElsewhereWhileTheDialogIsOpenIsKept) {
    StalledTcpEndpoint server;
    // Shown for the Bin Analyzer with the Average RSSI meter: -80 / -95.
    QPointer<ConnectionDialog> dialog = openDialogOnTcp(server.port());
    typeInto(dialog->thresholdBox(0), "-78");
    // While the device server does not answer, the user picks the Percent Good meter.
    clickOk(dialog, {{200, [this] {
                          ASSERT_TRUE(suite->flags.radioInUse());
                          clickOption(window->networkWindow()->meterOption(1));
                      }}});
    ASSERT_TRUE(dialog && dialog->isVisible());
    EXPECT_TRUE(dialog->statusText().startsWith("The Serial Communications Port you"));
    // The failed connect did not undo the meter, nor keep the TCP choice.
    const Settings& settings = suite->settings;
    EXPECT_EQ(std::tuple(settings.MeterType[0], settings.ConnectionType, settings.TcpPort),
              std::tuple(1, 0, 5000));
    // OK on the serial port stores the boxes for the meter they were shown for.
    clickOption(dialog->linkChoice(0));
    dialog->portBox()->setCurrentIndex(2);
    clickOk(dialog);
    EXPECT_FALSE(dialog && dialog->isVisible());
    EXPECT_EQ(std::tuple(settings.MeterType[0], settings.MarginalThreshold[0][0],
                         settings.BadThreshold[0][0], settings.MarginalThreshold[0][1],
                         settings.BadThreshold[0][1]),
              std::tuple(1, -78.0f, -95.0f, 85.0f, 70.0f));
}

// Started on a port that does not open, the suite shows "Port Select" at once. The
// dialog, cancelled and shown again, shows the stored settings; the colour swatches
// store all seven colours when one changes.
TEST_F(MainWindowStartUp, TheConnectionDialogOpensWhenTheStoredPortDoesNotOpen) {
    settingsPath = dir.filePath(QStringLiteral("settings.ini"));
    store = std::make_unique<SettingsStore>(settingsPath);
    suite = std::make_unique<Suite>(messages, status, surfaces);
    suite->link.DeviceOverride = QStringLiteral("/dev/veltrane-no-such-port");
    window = std::make_unique<MainWindow>(*suite, *store, surfaces, status);
    EXPECT_FALSE(window->Form_Load([](Settings& s) { s.ConnectionType = 0; }));
    window->show();
    QPointer<ConnectionDialog> dialog;
    ASSERT_TRUE(runEventsUntil(
        [&] { return (dialog = window->findChild<ConnectionDialog*>()) && dialog->isVisible(); }));
    EXPECT_TRUE(dialog->statusText().startsWith("The Communications Port you have selected is"));
    typeInto(dialog->thresholdBox(0), "-70");
    clickOption(dialog->linkChoice(1));
    click(button(dialog, "Cancel"));
    ASSERT_FALSE(dialog->isVisible());
    suite->settings.MeterType[0] = 1; // chosen in the Network Query window meanwhile
    dialog->show();
    EXPECT_EQ(dialog->thresholdBox(0)->text() + dialog->rangeLabel(0)->text() +
                  dialog->firstLabelText() + QString::number(dialog->addressList()->count()),
              "85(100 to 86)&Port:1");

    const QString before = storedText();
    int repaints = 0;
    ColourDialog colours(*suite, *store, ColourDialog::Hooks{[&repaints] { ++repaints; }});
    colours.pickColour = [](const QColor& initial) { return initial; }; // cancelled
    colours.Command4_Click(2);
    EXPECT_EQ(std::tuple(repaints, storedText()), std::tuple(0, before));
    colours.pickColour = [](const QColor&) { return QColor(0x12, 0x34, 0x56); };
    colours.Command4_Click(2); // grid; red in the low byte
    EXPECT_EQ(std::tuple(repaints, suite->settings.GridColor), std::tuple(1, 0x563412u));
    for (const char* key : {"Grid%20Color=5649426", "Marker2%20Color=255", "Background%20Color=0"})
        EXPECT_TRUE(storedText().contains(key)) << key; // all seven are stored
    window->close();
}

// The Ping Test window sends nothing to the radio: its packet, its size box and its
// close.
TEST_F(PingTestWindowTest, TheKeyboardEditsAndLeavesTheSizeBox) {
    const QString cycle = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    EXPECT_EQ(GenerateTestPacket(9999), cycle.repeated(161) + cycle.left(17));
    EXPECT_EQ(GenerateTestPacket(1) + GenerateTestPacket(0) + GenerateTestPacket(-7),
              "0" + cycle.left(10).repeated(2));
    // What was typed, then what the box keeps of it when left.
    for (const QString& c : QStringLiteral("9999=9999|10=10|1=1|1 2=1 2|10000=64|0=64|=64|  =64|"
                                           "12a=64|-5=64|/=64|:=64|0 0=64")
                                .split(u'|'))
        EXPECT_EQ(ValidatedPacketSizeText(c.section(u'=', 0, 0), 64), c.section(u'=', 1));
    EXPECT_EQ(ReadPacketSize(QStringLiteral(" 1 2")), 12);
    // The keys it takes: digits, Backspace, Enter and space.
    EXPECT_TRUE(PacketSizeKeyPasses('0') && PacketSizeKeyPasses('9') && PacketSizeKeyPasses(8) &&
                PacketSizeKeyPasses(13) && PacketSizeKeyPasses(32));
    EXPECT_FALSE(PacketSizeKeyPasses('/') || PacketSizeKeyPasses(':') || PacketSizeKeyPasses(9));
    // The window itself.
    suite = std::make_unique<Suite>(messages, status, surfaces);
    store = std::make_unique<SettingsStore>(dir.filePath(QStringLiteral("s.ini")));
    int tiles = 0;
    suite->settings.TXTestSize = 12;
    PingTestWindow ping(*suite, *store, PingTestWindow::Hooks{[&tiles] { ++tiles; }});
    ping.show();
    EXPECT_EQ(ping.TXTestData(), QStringLiteral("0123456789AB"));
    clickIntoBox(ping.sizeBox());
    expectKeyboardEditing(ping.sizeBox());
    // Create Data keeps the size for the next run, as a plain number.
    ping.sizeBox()->setText(QStringLiteral(" 3 0"));
    QTest::mouseClick(ping.createButton(), Qt::LeftButton);
    EXPECT_EQ(std::tuple(ping.TXTestData().size(), store->read("Settings", "TXTestSize")),
              std::tuple(30, QStringLiteral("30")));
    // Closing stops the ping test and tiles the windows.
    suite->flags.PingTestStopped = false;
    ping.close();
    EXPECT_EQ(std::tuple(suite->flags.PingTestStopped, tiles), std::tuple(true, 1));
}
