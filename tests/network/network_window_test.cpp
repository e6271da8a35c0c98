// The Network Query window as the user works it: the stored choices, the retries
// box, Run Query on the emulator's radios, choosing a radio in the grid, typing a
// description, and saving and loading a query.

#include "network/network_window.h"
#include "network/query_file.h"
#include "network/query_grid.h"
#include "network/retries_box.h"
#include "support/keyboard_editing.h"
#include "support/main_window_fixture.h"

#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using NetworkWindowTest = MainWindowOnEmulator;

namespace {
// Clicks Run Query on the emulator's radios and Stop Query a second later.
void runQueryForASecond(NetworkWindow& network) {
    QTimer::singleShot(1000, &network, [&network] {
        QTest::mouseClick(network.stopQueryButton(), Qt::LeftButton);
    });
    QTest::mouseClick(network.runQueryButton(), Qt::LeftButton);
}

// What the grid shows: every cell of every result row.
QList<QStringList> gridCells(const NetworkWindow& network) {
    QList<QStringList> rows;
    for (int row = 1; row <= network.resultRows(); ++row) {
        QStringList cells;
        for (int column = 0; column < QueryGrid::kColumns; ++column)
            cells << network.cell(row, column);
        rows << cells;
    }
    return rows;
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

TEST_F(NetworkWindowTest, TheStoredChoicesTheRetriesBoxAndClearResults) {
    startSuite({}, "[Settings]\nMeter%20Test=1\nMeter%20Type1=0\nMeter%20Type0=1\n");
    NetworkWindow* network = window->networkWindow();
    ASSERT_TRUE(network);
    EXPECT_TRUE(network->testOption(1)->isChecked());
    EXPECT_TRUE(network->meterOption(0)->isChecked());
    EXPECT_EQ(window->hopBinWindow(), nullptr);
    EXPECT_EQ(suite->meter.MeterTitle, QStringLiteral("Average RSSI (dBm)"));

    // Only 1 to 255 is kept; anything else is answered and the box reads 1.
    for (const char* bad : {"0", "256", "", "0.4"}) {
        network->retriesBox()->setText(QString::fromLatin1(bad));
        network->Text1_LostFocus();
        EXPECT_EQ(messages.shown.last(), QStringLiteral("Retries must be set between 1 and 255"));
        EXPECT_EQ(network->retriesBox()->text(), QStringLiteral("1"));
        EXPECT_EQ(suite->settings.Retries, 1);
    }
    messages.shown.clear();
    for (const auto& [good, stored] : {std::pair{"255", 255}, {"1", 1}, {"2.5", 2}}) {
        network->retriesBox()->setText(QString::fromLatin1(good));
        network->Text1_LostFocus();
        EXPECT_EQ(suite->settings.Retries, stored) << good;
    }
    EXPECT_TRUE(messages.shown.isEmpty());
    // While being typed, the box gives the statistics a run length they can use.
    EXPECT_EQ(MissRunLengthFromBox(QStringLiteral("3"), 1), 3);
    EXPECT_EQ(MissRunLengthFromBox(QStringLiteral("1.2.3"), 4), 4);
    EXPECT_EQ(MissRunLengthFromBox(QStringLiteral("0"), 4), 1);
    EXPECT_EQ(MissRunLengthFromBox(QStringLiteral("9999"), 4), 255);

    QTest::mouseClick(network->testOption(0), Qt::LeftButton); // the hop bin test
    suite->hopBinData.TotalReports = 200;
    suite->hopBinData.MissedBins = 10;
    network->Button_ClearLinkTest_Click();
    EXPECT_EQ(suite->hopBinData.TotalReports, 0.0f);
    EXPECT_EQ(suite->hopBinData.MissedBins, 0.0f);
}

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

    // Enter and Tab open no editor, nor does a character in another column.
    for (const auto& [key, column] :
         {std::pair{Qt::Key_Return, 5}, {Qt::Key_Tab, 5}, {Qt::Key_X, 3}}) {
        listRadio(*suite, *network, QStringLiteral("0A 1B FF"), QString(), column);
        QTest::keyClick(grid, key);
        EXPECT_FALSE(grid->editing()) << key;
    }
    // With no radio listed the text stays in the grid only.
    suite->query.MacAddressList.clear();
    suite->query.MacAddressCount = 0;
    grid->setCurrentCell(0, 4);
    QTest::keyClick(grid, Qt::Key_Z);
    QTest::keyClick(grid->descriptionEditor(), Qt::Key_Return);
    EXPECT_EQ(network->cell(1, 5), QStringLiteral("z"));
    EXPECT_EQ(ReadDescription(SettingsStore(settingsPath), QStringLiteral("0A 1B FF")),
              QStringLiteral("Pumpxy"));
}

// A query saved and loaded again shows every field as it was, marked as a past
// query; loading sends nothing to the radio and chooses no radio. A file that is
// no whole query file is named with its fault and leaves the grid as it was.
TEST_F(NetworkWindowTest, SaveAndLoadRoundTripExactlyWithoutARadioExchange) {
    startSuite({QStringLiteral("--query-rate"), QStringLiteral("200")});
    NetworkWindow* network = window->networkWindow();
    ScriptedFileDialogs files; // cancelled until answered
    window->setFileDialogs(files);
    QTest::mouseClick(network->saveQueryButton(), Qt::LeftButton);
    ASSERT_EQ(messages.shown.size(), 1); // no query has run: nothing to save
    EXPECT_TRUE(messages.shown.at(0).startsWith(QStringLiteral("There is no query to save")));
    EXPECT_TRUE(files.requests.empty());
    messages.shown.clear();

    runQueryForASecond(*network);
    ASSERT_EQ(network->resultRows(), 3);
    network->setCell(2, 5, QStringLiteral("Mast \"B\", north\nsecond line"));
    const QList<QStringList> saved = gridCells(*network);
    const QDateTime ranAt = suite->query.RanAt;
    files.saveAnswer = dir.filePath(QStringLiteral("site.csv"));
    QTest::mouseClick(network->saveQueryButton(), Qt::LeftButton);
    ASSERT_FALSE(files.requests.empty());
    EXPECT_EQ(files.requests.back().nameFilters.section(QStringLiteral(";;"), 0, 0),
              QStringLiteral("Query Files (*.csv)"));

    runQueryForASecond(*network); // the radios again, with other counts
    ASSERT_NE(gridCells(*network), saved);
    emulator.takeReceived();
    files.openAnswer = files.saveAnswer;
    QTest::mouseClick(network->loadQueryButton(), Qt::LeftButton);
    EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown.join(u'\n').toStdString();
    EXPECT_EQ(gridCells(*network), saved);
    EXPECT_EQ(suite->query.MacAddressCount, 3);
    EXPECT_TRUE(network->pastQueryLabel()->isVisible());
    EXPECT_EQ(network->pastQueryLabel()->text(),
              QStringLiteral("Past query of %1, from site.csv")
                  .arg(ranAt.toString(QStringLiteral("yyyy-MM-dd HH:mm"))));
    EXPECT_EQ(network->radioSelector()->count(), 3);
    EXPECT_EQ(network->radioSelector()->currentIndex(), -1);
    runEventsFor(300);
    EXPECT_TRUE(emulator.takeReceived().isEmpty());

    QFile file(dir.filePath(QStringLiteral("bad.csv")));
    for (const QByteArray& bad :
         {QByteArray("Query Run,2026"), QByteArray(kQueryFileSizeLimit + 1, 'x')}) {
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bad);
        file.close();
        messages.shown.clear();
        files.openAnswer = file.fileName();
        QTest::mouseClick(network->loadQueryButton(), Qt::LeftButton);
        const QString message = messages.shown.join(u'\n');
        EXPECT_TRUE(message.startsWith(QStringLiteral("Could not load \"")))
            << message.toStdString();
        EXPECT_TRUE(message.contains(QStringLiteral("unchanged"))) << message.toStdString();
        EXPECT_EQ(gridCells(*network), saved);
    }
    EXPECT_TRUE(messages.shown.join(u' ').contains(QStringLiteral("larger")));

    runQueryForASecond(*network); // a new query replaces the past one and its mark
    EXPECT_FALSE(network->pastQueryLabel()->isVisible());
}
