// "Port Select" and "Settings" (colours) on a suite whose radio is the emulator:
// what OK stores, what Cancel and a port that does not open leave alone, the boxes'
// rules as the user meets them, and the colour swatches. Also the main window's
// ways into the dialogs and the user guide.

#include "dialogs/colour_dialog.h"
#include "dialogs/connection_dialog.h"
#include "support/main_window_fixture.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

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

class PortSelectTest : public MainWindowOnEmulator {
protected:
    // The dialog with COM3 leading to the emulator and no other serial device.
    ConnectionDialog* openDialog() {
        suite->link.DeviceOverride.clear();
        suite->settings.ComPortDevices[2] = emulator.devicePath();
        ConnectionDialog* dialog = window->openConnectionDialog();
        dialog->presentDevices = [] { return std::vector<SerialDevice>{}; };
        dialog->Form_Activate();
        return dialog;
    }
};
} // namespace

TEST_F(PortSelectTest, OkOpensTheChosenPortAndStoresExactlyItsKeys) {
    startSuite();
    ConnectionDialog* dialog = openDialog();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Port Select"));
    EXPECT_EQ(dialog->statusText(), QStringLiteral("Select a COM port and baud rate."));
    EXPECT_EQ(dialog->portBox()->count(), 16);
    dialog->portBox()->setCurrentIndex(2);
    dialog->baudBox()->setCurrentIndex(10);
    dialog->thresholdBox(0)->setText(QStringLiteral("-78"));
    dialog->Command2_Click();

    EXPECT_FALSE(dialog && dialog->isVisible());
    EXPECT_TRUE(suite->link.PortIsOpen);
    EXPECT_EQ(suite->link.portSettings.CommPort, 3);
    EXPECT_EQ(suite->link.portSettings.Baud, 57600);
    EXPECT_EQ(suite->settings.BaudText, QStringLiteral("57600"));
    EXPECT_EQ(suite->settings.MarginalThreshold[0][0], -78.0f);
    const QString stored = storedText();
    for (const char* line : {"Port=2", "Baud=10", "Port1%20USB=0", "Marginal%20Stop%20Light%2000=-78",
                             "Bad%20Stop%20Light%2011=70", "TCP%20Port=5000"})
        EXPECT_TRUE(stored.contains(QString::fromLatin1(line))) << line << "\n" << qPrintable(stored);
    EXPECT_TRUE(stored.contains(QStringLiteral("COM3=") + emulator.devicePath()));
}

TEST_F(PortSelectTest, APortThatDoesNotOpenOrCancelStoresNothing) {
    startSuite();
    const QString before = storedText();
    ConnectionDialog* dialog = openDialog();
    suite->settings.ComPortDevices[5] = QStringLiteral("/dev/veltrane-no-such-port");
    dialog->Form_Activate();
    dialog->portBox()->setCurrentIndex(5);
    dialog->thresholdBox(1)->setText(QStringLiteral("-90"));
    dialog->Command2_Click();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->statusText(), kInvalidPort);
    EXPECT_EQ(storedText(), before);
    EXPECT_EQ(suite->settings.Port, 0);
    EXPECT_EQ(suite->settings.BadThreshold[0][0], -95.0f);

    dialog->Command3_Click(); // Default puts -80 / -95 back in the boxes only
    EXPECT_EQ(dialog->thresholdBox(1)->text(), QStringLiteral("-95"));
    dialog->Command1_Click();
    EXPECT_EQ(storedText(), before);
}

TEST_F(PortSelectTest, TheBoxesRevertWhatTheyCannotTake) {
    startSuite();
    ConnectionDialog* dialog = openDialog();
    dialog->linkChoice(1)->click();
    EXPECT_EQ(dialog->firstLabelText(), QStringLiteral("&IP Address:"));
    EXPECT_FALSE(dialog->portBox()->isVisible());
    EXPECT_TRUE(dialog->ipBox(0)->isVisible());

    QLineEdit* part = dialog->ipBox(0);
    part->setText(QStringLiteral("10"));
    focusIn(part);
    part->clear();
    QTest::keyClicks(part, QStringLiteral("25"));
    EXPECT_TRUE(messages.shown.isEmpty()); // not checked before the third digit
    QTest::keyClick(part, Qt::Key_6);
    EXPECT_EQ(messages.shown.value(0), QStringLiteral("Value must be between 0 and 255."));
    EXPECT_EQ(part->text(), QStringLiteral("10"));
    QTest::keyClick(part, Qt::Key_X); // not a digit: dropped
    EXPECT_EQ(part->text(), QStringLiteral("10"));

    dialog->addressList()->addItem(QStringLiteral("192.168.4.20"));
    emit dialog->addressList()->textActivated(QStringLiteral("192.168.4.20"));
    EXPECT_EQ(dialog->ipBox(3)->text(), QStringLiteral("20"));

    QLineEdit* port = dialog->tcpPortBox();
    focusIn(port);
    port->setText(QStringLiteral("0080"));
    focusOut(port);
    EXPECT_EQ(port->text(), QStringLiteral("80"));
    focusIn(port);
    port->setText(QStringLiteral("70000"));
    focusOut(port);
    EXPECT_EQ(port->text(), QStringLiteral("80"));
    EXPECT_EQ(messages.shown.last(), QStringLiteral("Select a value between 0 and 65,535."));

    // Percent Good meter: a good-to-marginal threshold of 60 is below the bad one.
    suite->settings.MeterType[0] = 1;
    dialog->Command3_Click();
    QLineEdit* marginal = dialog->thresholdBox(0);
    focusIn(marginal);
    marginal->setText(QStringLiteral("60"));
    focusOut(marginal);
    EXPECT_EQ(marginal->text(), QStringLiteral("85"));
    focusIn(marginal);
    marginal->setText(QStringLiteral("86"));
    focusOut(marginal);
    EXPECT_EQ(dialog->rangeLabel(0)->text(), QStringLiteral("(100 to 87)"));
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
    for (const char* key : {"Background%20Color=0", "Graph%20Color=65280", "Label%20Color=0",
                            "Marker1%20Color=65280", "Marker2%20Color=255", "Message%20Color=65280"})
        EXPECT_TRUE(stored.contains(QString::fromLatin1(key))) << key;
}

TEST_F(MainWindowOnEmulator, HelpOpensTheUserGuide) {
    startSuite();
    QString opened;
    window->openDocument = [&opened](const QString& path) {
        opened = path;
        return true;
    };
    window->showUserGuide();
    EXPECT_TRUE(opened.endsWith(QStringLiteral("user-guide.html"))) << qPrintable(opened);
    EXPECT_TRUE(messages.shown.isEmpty());
    window->openDocument = [](const QString&) { return false; };
    window->showUserGuide();
    EXPECT_EQ(messages.shown.size(), 1);
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
