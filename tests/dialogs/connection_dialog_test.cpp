// "Port Select" and "Settings" (colours) on a suite whose radio is the emulator:
// what OK stores, what Cancel and a port that does not open leave alone, the boxes'
// rules as the user meets them, what the user may do while OK waits for a TCP
// connect, and the colour swatches. Also the main window's ways into the dialogs and
// the user guide.

#include "dialogs/colour_dialog.h"
#include "dialogs/connection_dialog.h"
#include "dialogs/stalled_tcp_endpoint.h"
#include "network/network_window.h"
#include "support/keyboard_editing.h"
#include "support/main_window_fixture.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QWindow>
#include <utility>
#include <vector>

namespace {
const QString kInvalidPort = QStringLiteral(
    "The Serial Communications Port you have selected is either invalid or in use by another "
    "program.  Please select another port.");

void focusIn(QWidget* box) {
    QFocusEvent event(QEvent::FocusIn, Qt::TabFocusReason);
    QCoreApplication::sendEvent(box, &event);
}
void focusOut(QWidget* box) {
    QFocusEvent event(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(box, &event);
}

QPushButton* button(QWidget* dialog, const QString& text) {
    for (QPushButton* candidate : dialog->findChildren<QPushButton*>())
        if (candidate->text() == text)
            return candidate;
    return nullptr;
}

// Gives a box the focus with a click, as the user does; the box selects its text
// once the focus has arrived.
void clickInto(QLineEdit* box) {
    box->window()->activateWindow();
    QTest::mouseClick(box, Qt::LeftButton);
    ASSERT_TRUE(runEventsUntil(
        [box] { return box->hasFocus() && box->selectedText() == box->text(); }, 2000));
}

// Clicks an option button on its round indicator.
void clickOption(QRadioButton* option) {
    QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(8, option->height() / 2));
}

class PortSelectTest : public MainWindowOnEmulator {
protected:
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
        EXPECT_EQ(dialog->firstLabelText(), QStringLiteral("&IP Address:"));
        return dialog;
    }

    using Step = std::pair<int, std::function<void()>>; // ms after OK, what the user does

    // Clicks OK and runs each step at its time while OK's handler runs; returns when
    // the handler has returned and every step has run.
    void clickOk(ConnectionDialog* dialog, const std::vector<Step>& during = {}) {
        QPointer<QPushButton> ok = button(dialog, QStringLiteral("OK"));
        ASSERT_TRUE(ok);
        std::size_t stepsRun = 0;
        for (const Step& step : during)
            QTimer::singleShot(step.first, &scope, [&stepsRun, act = step.second] {
                act();
                ++stepsRun;
            });
        bool returned = false;
        QTimer::singleShot(0, &scope, [&returned, ok] {
            if (ok)
                QTest::mouseClick(ok, Qt::LeftButton);
            returned = true;
        });
        const bool finished =
            runEventsUntil([&] { return returned && stepsRun == during.size(); }, 10000);
        ASSERT_TRUE(finished);
    }

    // What the user sees and may touch while a connect is pending: OK refused, the
    // connect marked as the radio operation, and the dialog itself.
    void expectConnecting(const QPointer<ConnectionDialog>& dialog) {
        ASSERT_TRUE(dialog) << "the dialog was destroyed inside its own wait";
        EXPECT_EQ(suite->wait.depth(), 1) << "a second connect runs inside the first";
        EXPECT_TRUE(suite->flags.radioInUse());
        EXPECT_FALSE(button(dialog, QStringLiteral("OK"))->isEnabled());
    }

    QObject scope; // context of the test's timers: destroyed first, cancelling them
};
} // namespace

TEST_F(PortSelectTest, TheBoxesRevertWhatTheyCannotTake) {
    startSuite();
    suite->settings.MeterType[0] = 1;
    ConnectionDialog* dialog = openDialog();
    dialog->thresholdBox(1)->setText(QStringLiteral("-90"));
    dialog->Command3_Click(); // Default puts the meter's 85 / 70 back in the boxes only
    EXPECT_EQ(dialog->thresholdBox(1)->text(), QStringLiteral("70"));
    // Percent Good: a good-to-marginal threshold of 60 is below the bad one.
    QLineEdit* marginal = dialog->thresholdBox(0);
    for (const char* typed : {"60", "86"}) {
        focusIn(marginal);
        marginal->setText(QString::fromLatin1(typed));
        focusOut(marginal);
    }
    EXPECT_EQ(marginal->text(), QStringLiteral("86"));
    EXPECT_EQ(dialog->rangeLabel(0)->text(), QStringLiteral("(100 to 87)"));

    dialog->linkChoice(1)->click();
    EXPECT_FALSE(dialog->portBox()->isVisible());
    QLineEdit* part = dialog->ipBox(0);
    part->setText(QStringLiteral("10"));
    focusIn(part);
    part->clear();
    QTest::keyClicks(part, QStringLiteral("25"));
    EXPECT_TRUE(messages.shown.isEmpty()); // not checked before the third digit
    QTest::keyClick(part, Qt::Key_6);
    EXPECT_EQ(messages.shown.value(0), QStringLiteral("Value must be between 0 and 255."));
    EXPECT_EQ(part->text(), QStringLiteral("10"));
    emit dialog->addressList()->textActivated(QStringLiteral("192.168.4.20"));
    EXPECT_EQ(dialog->ipBox(3)->text(), QStringLiteral("20"));

    QLineEdit* port = dialog->tcpPortBox();
    for (const char* typed : {"0080", "70000"}) {
        focusIn(port);
        port->setText(QString::fromLatin1(typed));
        focusOut(port);
    }
    EXPECT_EQ(port->text(), QStringLiteral("80"));
    EXPECT_EQ(messages.shown.last(), QStringLiteral("Select a value between 0 and 65,535."));
}

TEST_F(PortSelectTest, TheKeyboardEditsAndLeavesEveryFilteredBox) {
    startSuite();
    ConnectionDialog* dialog = openDialog();
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        dialog->thresholdBox(i)->setText(QStringLiteral("12"));
        clickIntoBox(dialog->thresholdBox(i));
        expectKeyboardEditing(dialog->thresholdBox(i));
    }
    clickOption(dialog->linkChoice(1));
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        dialog->ipBox(i)->setText(QStringLiteral("12"));
        clickIntoBox(dialog->ipBox(i));
        expectKeyboardEditing(dialog->ipBox(i));
    }
    QLineEdit* port = dialog->tcpPortBox();
    port->setText(QStringLiteral("12"));
    clickIntoBox(port);
    expectKeyboardEditing(port);

    // A full port box takes no more digits, but Delete still deletes.
    port->setText(QStringLiteral("12345"));
    clickIntoBox(port);
    QTest::keyClick(port, Qt::Key_End);
    QTest::keyClick(port, Qt::Key_6);
    EXPECT_EQ(port->text(), QStringLiteral("12345"));
    QTest::keyClick(port, Qt::Key_Home);
    pressDelete(port);
    EXPECT_EQ(port->text(), QStringLiteral("2345"));
    EXPECT_TRUE(messages.shown.isEmpty()) << qPrintable(messages.shown.join(u'|'));
}

TEST_F(PortSelectTest, EveryWayOfPressingOkChecksTheBoxesFirst) {
    startSuite();
    // Enter in a box presses OK while the box keeps the focus: its check must still run.
    // Good to marginal -100 lies below marginal to bad -95: the box keeps -80.
    QPointer<ConnectionDialog> dialog = openDialog();
    dialog->portBox()->setCurrentIndex(2);
    clickInto(dialog->thresholdBox(0));
    QTest::keyClicks(dialog->thresholdBox(0), QStringLiteral("-100"));
    ASSERT_EQ(dialog->thresholdBox(0)->text(), QStringLiteral("-100"));
    QTest::keyClick(dialog->thresholdBox(0), Qt::Key_Return);
    EXPECT_FALSE(dialog && dialog->isVisible()); // OK went through
    EXPECT_EQ(suite->settings.MarginalThreshold[0][0], -80.0f);
    EXPECT_TRUE(storedText().contains(QStringLiteral("Marginal%20Stop%20Light%2000=-80")));

    // An emptied box is not a threshold of 0: it keeps what it had.
    dialog = openDialog();
    dialog->portBox()->setCurrentIndex(2);
    clickInto(dialog->thresholdBox(1));
    QTest::keyClick(dialog->thresholdBox(1), Qt::Key_Backspace);
    ASSERT_TRUE(dialog->thresholdBox(1)->text().isEmpty());
    QTest::keyClick(dialog->thresholdBox(1), Qt::Key_Return);
    EXPECT_FALSE(dialog && dialog->isVisible());
    EXPECT_EQ(suite->settings.BadThreshold[0][0], -95.0f);
    EXPECT_TRUE(storedText().contains(QStringLiteral("Bad%20Stop%20Light%2000=-95")));
}

TEST_F(PortSelectTest, OkIsRefusedWhileAnotherRadioOperationRuns) {
    startSuite();
    const QString before = storedText();
    ConnectionDialog* dialog = openDialog();
    dialog->portBox()->setCurrentIndex(2);
    dialog->baudBox()->setCurrentIndex(5);
    {
        // A test run or a network query holds the radio (each marks itself so).
        const RadioOperation running(suite->flags);
        clickOk(dialog);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(dialog->statusText(),
                  QStringLiteral("Stop the running test before changing the connection."));
        EXPECT_EQ(suite->settings.Baud, 10);
        EXPECT_EQ(suite->link.portSettings.Baud, 57600); // the link was left alone
        EXPECT_EQ(storedText(), before);
    }
    dialog->thresholdBox(0)->setText(QStringLiteral("-78"));
    clickOk(dialog); // once it has ended, the same OK goes through
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(suite->link.portSettings.CommPort, 3);
    EXPECT_EQ(suite->link.portSettings.Baud, 9600);
    EXPECT_EQ(suite->settings.BaudText, QStringLiteral("9600"));
    EXPECT_EQ(suite->settings.MarginalThreshold[0][0], -78.0f);
    const QString stored = storedText();
    for (const QString& line :
         {QStringLiteral("Port=2"), QStringLiteral("Baud=5"), QStringLiteral("Port1%20USB=0"),
          QStringLiteral("Marginal%20Stop%20Light%2000=-78"),
          QStringLiteral("Bad%20Stop%20Light%2011=70"), QStringLiteral("TCP%20Port=5000"),
          QStringLiteral("COM3=") + emulator.devicePath()})
        EXPECT_TRUE(stored.contains(line)) << qPrintable(line) << "\n" << qPrintable(stored);
}

TEST_F(PortSelectTest, ClosingTheDialogWhileOkConnectsWaitsForTheConnect) {
    startSuite();
    const QString before = storedText();
    struct Case {
        const char* name;
        bool answersLate; // else the device server never answers
        std::function<void(ConnectionDialog*)> close;
    };
    const Case cases[] = {
        {"OK again, then Cancel", false,
         [](ConnectionDialog* dialog) {
             QTest::mouseClick(button(dialog, QStringLiteral("OK")), Qt::LeftButton);
             QTest::mouseClick(button(dialog, QStringLiteral("Cancel")), Qt::LeftButton);
         }},
        {"the window's close", false,
         [](ConnectionDialog* dialog) { dialog->windowHandle()->close(); }},
        {"Escape, and the server answers late", true,
         [](ConnectionDialog* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StalledTcpEndpoint server;
        ASSERT_TRUE(server.ready());
        QPointer<ConnectionDialog> dialog = openDialogOnTcp(server.port());
        std::vector<Step> during{{200,
                                  [&] {
                                      expectConnecting(dialog);
                                      if (dialog)
                                          c.close(dialog);
                                  }},
                                 {500, [&] { expectConnecting(dialog); }}};
        if (c.answersLate)
            during.push_back({100, [&server] { server.acceptLate(); }});
        clickOk(dialog, during);

        // The close came after the connect had ended, as asked; the attempt decided
        // what was kept.
        EXPECT_FALSE(dialog && dialog->isVisible());
        EXPECT_FALSE(suite->flags.radioInUse());
        EXPECT_EQ(suite->settings.ConnectionType, c.answersLate ? 1 : 0);
        if (c.answersLate) {
            const QString stored = storedText();
            EXPECT_TRUE(stored.contains(QStringLiteral("Port1%20USB=1"))) << qPrintable(stored);
            EXPECT_TRUE(
                stored.contains(QStringLiteral("TCP%20Port=") + QString::number(server.port())));
        } else {
            EXPECT_EQ(storedText(), before);
        }
    }
}

TEST_F(PortSelectTest, WhatTheUserChangesElsewhereWhileTheDialogIsOpenIsKept) {
    startSuite();
    StalledTcpEndpoint server;
    ASSERT_TRUE(server.ready());
    // Shown for the Bin Analyzer with the Average RSSI meter: -80 / -95.
    QPointer<ConnectionDialog> dialog = openDialogOnTcp(server.port());
    clickInto(dialog->thresholdBox(0));
    QTest::keyClicks(dialog->thresholdBox(0), QStringLiteral("-78"));

    // While the device server does not answer, the user picks the Percent Good meter.
    clickOk(dialog, {{200, [this] {
                          ASSERT_TRUE(suite->flags.radioInUse());
                          clickOption(window->networkWindow()->meterOption(1));
                      }}});
    ASSERT_TRUE(dialog && dialog->isVisible());
    EXPECT_EQ(dialog->statusText(), kInvalidPort);
    EXPECT_EQ(suite->settings.MeterType[0], 1); // the failed connect did not undo it
    EXPECT_EQ(suite->settings.ConnectionType, 0);
    EXPECT_EQ(suite->settings.TcpPort, 5000);

    // OK on the serial port stores the boxes for the meter they were shown for.
    clickOption(dialog->linkChoice(0));
    dialog->portBox()->setCurrentIndex(2);
    clickOk(dialog);
    EXPECT_FALSE(dialog && dialog->isVisible());
    EXPECT_EQ(suite->settings.MeterType[0], 1);
    EXPECT_EQ(suite->settings.MarginalThreshold[0][0], -78.0f);
    EXPECT_EQ(suite->settings.BadThreshold[0][0], -95.0f);
    EXPECT_EQ(suite->settings.MarginalThreshold[0][1], 85.0f);
    EXPECT_EQ(suite->settings.BadThreshold[0][1], 70.0f);
}

TEST_F(PortSelectTest, AClosedDialogShownAgainShowsTheStoredSettings) {
    startSuite();
    // Kept (hidden) by its owner between two shows, as one that may not be deleted
    // under a running wait is.
    ConnectionDialog dialog(*suite, *store, window.get());
    dialog.show();
    clickInto(dialog.thresholdBox(0));
    QTest::keyClicks(dialog.thresholdBox(0), QStringLiteral("-70"));
    clickOption(dialog.linkChoice(1));
    QTest::mouseClick(button(&dialog, QStringLiteral("Cancel")), Qt::LeftButton);
    ASSERT_FALSE(dialog.isVisible());

    suite->settings.MeterType[0] = 1; // chosen in the Network Query window meanwhile
    dialog.show();
    EXPECT_EQ(dialog.thresholdBox(0)->text(), QStringLiteral("85"));
    EXPECT_EQ(dialog.rangeLabel(0)->text(), QStringLiteral("(100 to 86)"));
    EXPECT_EQ(dialog.firstLabelText(), QStringLiteral("&Port:"));
    EXPECT_EQ(dialog.addressList()->count(), 1);
}

TEST_F(MainWindowOnEmulator, ColourSwatchesStoreAllSevenColoursOnlyWhenOneChanges) {
    startSuite();
    int repaints = 0;
    ColourDialog dialog(*suite, *store, ColourDialog::Hooks{[&repaints] { ++repaints; }});
    const QString before = storedText();
    dialog.pickColour = [](const QColor& initial) { return initial; }; // cancelled
    dialog.Command4_Click(2);
    EXPECT_EQ(repaints, 0);
    EXPECT_EQ(storedText(), before);

    dialog.pickColour = [](const QColor&) { return QColor(0x12, 0x34, 0x56); };
    dialog.Command4_Click(2); // grid
    EXPECT_EQ(repaints, 1);
    EXPECT_EQ(suite->settings.GridColor, 0x563412u); // red in the low byte
    const QString stored = storedText();
    EXPECT_TRUE(stored.contains(QStringLiteral("Grid%20Color=5649426"))) << qPrintable(stored);
    for (const char* key :
         {"Background%20Color=0", "Graph%20Color=65280", "Label%20Color=0", "Marker1%20Color=65280",
          "Marker2%20Color=255", "Message%20Color=65280"})
        EXPECT_TRUE(stored.contains(QString::fromLatin1(key))) << key;
}

TEST(MainWindowStartUp, TheConnectionDialogOpensWhenTheStoredPortDoesNotOpen) {
    QTemporaryDir dir;
    SettingsStore store(dir.filePath(QStringLiteral("settings.ini")));
    ScriptedMessages messages;
    StatusBarText status;
    WindowSurfaces surfaces;
    Suite suite(messages, status, surfaces);
    suite.link.DeviceOverride = QStringLiteral("/dev/veltrane-no-such-port");
    MainWindow window(suite, store, surfaces, status);
    EXPECT_FALSE(window.Form_Load([](Settings& s) { s.ConnectionType = 0; }));
    window.show();
    EXPECT_TRUE(runEventsUntil([&window] {
        auto* dialog = window.findChild<ConnectionDialog*>();
        return dialog && dialog->isVisible();
    }));
    EXPECT_TRUE(window.findChild<ConnectionDialog*>()->statusText().startsWith(
        QStringLiteral("The Communications Port you have selected is either ")));
    window.close();
}
