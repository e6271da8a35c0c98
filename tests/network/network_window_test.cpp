#include "network/network_window.h"
#include "network/query_grid.h"
#include "support/keyboard_editing.h"
#include "support/main_window_fixture.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

using NetworkWindowTest = MainWindowOnEmulator;

TEST_F(NetworkWindowTest, StoredSpectrumTestAndAverageMeterAreSelectedOnLoad) {
    startSuite({}, "[Settings]\nMeter%20Test=1\nMeter%20Type1=0\nMeter%20Type0=1\n");
    NetworkWindow* network = window->networkWindow();
    ASSERT_TRUE(network);
    EXPECT_TRUE(network->testOption(1)->isChecked());
    EXPECT_TRUE(network->meterOption(0)->isChecked());
    EXPECT_EQ(window->hopBinWindow(), nullptr);
    EXPECT_EQ(suite->meter.MeterTitle, QStringLiteral("Average RSSI (dBm)"));
}

TEST_F(NetworkWindowTest, ClearResultsResetsTheStatisticsAndRedrawsTheMeter) {
    startSuite();
    suite->hopBinData.TotalReports = 200;
    suite->hopBinData.MissedBins = 10;
    window->networkWindow()->Button_ClearLinkTest_Click();
    EXPECT_EQ(suite->hopBinData.TotalReports, 0.0f);
    EXPECT_EQ(suite->hopBinData.MissedBins, 0.0f);
}

namespace {
// Runs Run Query on the emulator's radios and presses Stop Query after a second.
void runQueryForASecond(NetworkWindow& network) {
    QTimer::singleShot(1000, &network, [&network] { network.ButtonStopQuery_Click(); });
    network.ButtonRunQuery_Click();
}

// A left click on cell (row, column) of the grid, numbered as the query numbers them.
void clickCell(QueryGrid& grid, int row, int column) {
    const QRect cell = grid.visualRect(grid.model()->index(row - 1, column - 1));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
}

QString destination(EmulatorProcess& emulator) {
    const QString state = emulator.command(QStringLiteral("state"));
    return state.mid(state.indexOf(QStringLiteral("dest=")), 11);
}

// A result row as the query would have filled it, made current in `column`.
void listRadio(Suite& suite, NetworkWindow& network, const QString& address,
               const QString& description, int column) {
    suite.query.MacAddressList = QStringList{address};
    suite.query.MacAddressCount = 1;
    network.setCell(1, 0, QStringLiteral("1"));
    network.setCell(1, 1, address);
    network.setCell(1, 5, description);
    network.grid()->setCurrentCell(0, column - 1);
}
} // namespace

TEST_F(NetworkWindowTest, RunQueryListsTheRadiosHeardAndShutDownRestoresTheOwnAddress) {
    startSuite({QStringLiteral("--sync-delay"), QStringLiteral("0"), QStringLiteral("--query-rate"),
                QStringLiteral("200")});
    NetworkWindow* network = window->networkWindow();
    ASSERT_TRUE(network);
    QTimer::singleShot(1000, window.get(), [network] { network->ButtonStopQuery_Click(); });
    network->ButtonRunQuery_Click();

    // The emulator's three radios, each once, in the order they were heard.
    ASSERT_EQ(network->resultRows(), 3);
    QStringList addresses;
    for (int row = 1; row <= 3; ++row) {
        addresses << network->cell(row, 1);
        EXPECT_GT(network->cell(row, 4).toInt(), 1);
    }
    addresses.sort();
    EXPECT_EQ(addresses, (QStringList{"0A 1B FF", "2B 3C 4D", "5E 6F 01"}));
    EXPECT_EQ(network->radioSelector()->count(), 3);
    EXPECT_EQ(network->radioSelector()->currentIndex(), 1); // the third radio chose the second
    const QString destination = network->cell(2, 1).remove(QLatin1Char(' '));
    EXPECT_TRUE(
        emulator.command(QStringLiteral("state")).contains(QStringLiteral("dest=") + destination));

    // Clicking the first row makes its radio the destination.
    network->grid()->setCurrentCell(0, 2);
    EXPECT_EQ(network->radioSelector()->currentIndex(), 0);
    EXPECT_TRUE(
        emulator.command(QStringLiteral("state"))
            .contains(QStringLiteral("dest=") + network->cell(1, 1).remove(QLatin1Char(' '))));

    window->close();
    EXPECT_TRUE(emulator.command(QStringLiteral("state")).contains(QStringLiteral("dest=123456")));
}

TEST_F(NetworkWindowTest, TypingOutsideTheDescriptionColumnChoosesNoRadio) {
    startSuite({QStringLiteral("--query-rate"), QStringLiteral("200")});
    NetworkWindow* network = window->networkWindow();
    QueryGrid* grid = network->grid();
    runQueryForASecond(*network);
    ASSERT_EQ(network->resultRows(), 3);
    int first = 1; // the row of 0A 1B FF: no other row starts with its letters
    while (!network->cell(first, 1).startsWith(QStringLiteral("0A")))
        ++first;
    clickCell(*grid, first, 1);
    ASSERT_EQ(destination(emulator), QStringLiteral("dest=0A1BFF"));
    emulator.takeReceived();

    // "5" and "2" start the other addresses, "c" and "s" the types, "1" the channel
    // and the counts: a keyboard search would find a row for each.
    QTest::keyClicks(grid, QStringLiteral("52"));
    QTest::keyClick(grid, Qt::Key_Right);
    QTest::keyClicks(grid, QStringLiteral("csCS"));
    QTest::keyClick(grid, Qt::Key_Right);
    QTest::keyClicks(grid, QStringLiteral("1"));
    QTest::keyClick(grid, Qt::Key_Right);
    QTest::keyClicks(grid, QStringLiteral("123456789"));
    EXPECT_EQ(grid->currentResultRow(), first);
    EXPECT_EQ(grid->currentColumnNumber(), 4);
    EXPECT_FALSE(grid->editing());
    EXPECT_EQ(network->radioSelector()->currentIndex(), first - 1);
    EXPECT_EQ(emulator.takeReceived(), QByteArray()) << "the typing reached the radio";
    EXPECT_EQ(destination(emulator), QStringLiteral("dest=0A1BFF"));
}

TEST_F(NetworkWindowTest, ClickingTheCurrentRowMakesItsRadioTheDestination) {
    // A network of one radio: its row is the only one, there is no other to move to.
    startSuite({QStringLiteral("--query-rate"), QStringLiteral("200"), QStringLiteral("--radio"),
                QStringLiteral("0A1BFF,server,10")});
    NetworkWindow* network = window->networkWindow();
    QueryGrid* grid = network->grid();
    runQueryForASecond(*network);
    ASSERT_EQ(network->resultRows(), 1);
    ASSERT_EQ(grid->currentResultRow(), 1);
    ASSERT_NE(destination(emulator), QStringLiteral("dest=0A1BFF"));

    clickCell(*grid, 1, 2);
    EXPECT_EQ(destination(emulator), QStringLiteral("dest=0A1BFF"));
    EXPECT_EQ(network->radioSelector()->currentText(), QStringLiteral("1"));

    // Clicked again, the radio is addressed again; the header row chooses nothing.
    emulator.takeReceived();
    clickCell(*grid, 1, 1);
    EXPECT_FALSE(emulator.takeReceived().isEmpty());
    QTest::mouseClick(grid->horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(grid->columnWidth(0) / 2, grid->horizontalHeader()->height() / 2));
    EXPECT_EQ(emulator.takeReceived(), QByteArray());
}

TEST_F(NetworkWindowTest, TheKeyboardEditsAndLeavesTheRetriesBox) {
    startSuite();
    QLineEdit* retries = window->networkWindow()->retriesBox();
    retries->setText(QStringLiteral("12"));
    clickIntoBox(retries);
    expectKeyboardEditing(retries);
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(NetworkWindowTest, ATypedCharacterOpensTheDescriptionEditorAndEnterStoresIt) {
    startSuite();
    NetworkWindow* network = window->networkWindow();
    ASSERT_TRUE(network);
    QueryGrid* grid = network->grid();
    listRadio(*suite, *network, QStringLiteral("0A 1B FF"), QStringLiteral("Pump"), 5);

    QTest::keyClick(grid, Qt::Key_X);
    QLineEdit* editor = grid->descriptionEditor();
    ASSERT_TRUE(grid->editing());
    EXPECT_EQ(editor->text(), QStringLiteral("Pumpx"));
    EXPECT_EQ(editor->cursorPosition(), 5);
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_FALSE(grid->editing());
    EXPECT_EQ(network->cell(1, 5), QStringLiteral("Pumpx"));
    EXPECT_EQ(ReadDescription(SettingsStore(settingsPath), QStringLiteral("0A 1B FF")),
              QStringLiteral("Pumpx"));

    // Left moves the caret; from the start it commits and moves to the next column left.
    QTest::keyClick(grid, Qt::Key_Y);
    ASSERT_TRUE(grid->editing());
    editor->setCursorPosition(1);
    QTest::keyClick(editor, Qt::Key_Left);
    EXPECT_TRUE(grid->editing());
    QTest::keyClick(editor, Qt::Key_Left);
    EXPECT_FALSE(grid->editing());
    EXPECT_EQ(grid->currentColumnNumber(), 4);
    EXPECT_EQ(network->cell(1, 5), QStringLiteral("Pumpxy"));
}

TEST_F(NetworkWindowTest, EnterTabAndOtherColumnsOpenNoEditor) {
    startSuite();
    NetworkWindow* network = window->networkWindow();
    QueryGrid* grid = network->grid();
    listRadio(*suite, *network, QStringLiteral("0A 1B FF"), QString(), 5);
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_FALSE(grid->editing());
    listRadio(*suite, *network, QStringLiteral("0A 1B FF"), QString(), 5);
    QTest::keyClick(grid, Qt::Key_Tab);
    EXPECT_FALSE(grid->editing());
    listRadio(*suite, *network, QStringLiteral("0A 1B FF"), QString(), 3);
    QTest::keyClick(grid, Qt::Key_X);
    EXPECT_FALSE(grid->editing());

    // With no radio listed the text stays in the grid only.
    suite->query.MacAddressList.clear();
    suite->query.MacAddressCount = 0;
    grid->setCurrentCell(0, 4);
    QTest::keyClick(grid, Qt::Key_Z);
    QTest::keyClick(grid->descriptionEditor(), Qt::Key_Return);
    EXPECT_EQ(network->cell(1, 5), QStringLiteral("z"));
    EXPECT_FALSE(storedText().contains(QStringLiteral("MAC")));
}

TEST_F(NetworkWindowTest, DescriptionsKeepEveryCharacter) {
    startSuite();
    const QString address = QStringLiteral("5E 6F 01");
    const QString text =
        QStringLiteral("Tank \"B\" = [north]; 100% \\ line\nzweite Zeile, Grüße ✓");
    {
        SettingsStore store(settingsPath);
        WriteDescription(store, address, text);
    }
    EXPECT_EQ(ReadDescription(SettingsStore(settingsPath), address), text);
    EXPECT_EQ(ReadDescription(SettingsStore(settingsPath), QStringLiteral("00 00 00")), QString());
}

TEST_F(NetworkWindowTest, QueryFilesAndRetriesAnswerAsTheyShould) {
    startSuite();
    NetworkWindow* network = window->networkWindow();
    ScriptedFileDialogs files; // both dialogs cancelled
    window->setFileDialogs(files);
    network->ButtonLoadQuery_Click();
    network->ButtonSaveQuery_Click();
    ASSERT_EQ(messages.shown.size(), 1); // no query has run: nothing to save
    EXPECT_TRUE(messages.shown.at(0).startsWith(QStringLiteral("There is no query to save")));
    EXPECT_EQ(files.requests.size(), 1u); // only Load asked for a file
    messages.shown.clear();

    for (const char* bad : {"0", "256", ""}) {
        network->retriesBox()->setText(QString::fromLatin1(bad));
        network->Text1_LostFocus();
        EXPECT_EQ(messages.shown.last(), QStringLiteral("Retries must be set between 1 and 255"));
        EXPECT_EQ(network->retriesBox()->text(), QStringLiteral("1"));
        EXPECT_EQ(suite->settings.Retries, 1);
    }
    messages.shown.clear();
    network->retriesBox()->setText(QStringLiteral("255"));
    network->Text1_LostFocus();
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_EQ(suite->settings.Retries, 255);
}
