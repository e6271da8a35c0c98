// The Network Query window as the user works it: the stored choices, the retries
// box, Run Query on the emulator's radios, choosing a radio in the grid, typing a
// description, saving and loading a query, and whole captions and cells at any size.

#include "network/network_window.h"
#include "network/query_file.h"
#include "network/query_grid.h"
#include "network/retries_box.h"
#include "support/keyboard_editing.h"
#include "support/main_window_fixture.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTest>

namespace {

// Every button and label shown in `window` is at least as wide and high as its caption needs.
void expectWholeCaptions(QWidget& window) {
    for (QWidget* w : window.findChildren<QWidget*>()) {
        const bool captioned = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLabel*>(w);
        EXPECT_TRUE(!captioned || !w->isVisible() ||
                    (w->sizeHint().width() <= w->width() && w->sizeHint().height() <= w->height()))
            << w->metaObject()->className();
    }
}

class NetworkWindowTest : public MainWindowOnEmulator {
protected:
    void start(QStringList emulatorArgs = {}, const QByteArray& storedSettings = {}) {
        startSuite(emulatorArgs << QStringLiteral("--query-rate") << QStringLiteral("200"),
                   storedSettings);
        network = window->networkWindow();
        ASSERT_TRUE(network);
        grid = network->grid();
    }
    // Clicks Run Query on the emulator's radios and Stop Query a second later.
    void runQueryForASecond() {
        QTimer::singleShot(1000, network, [this] {
            QTest::mouseClick(network->stopQueryButton(), Qt::LeftButton);
        });
        QTest::mouseClick(network->runQueryButton(), Qt::LeftButton);
    }
    // What the grid shows: every cell of every result row.
    QList<QStringList> gridCells() const {
        QList<QStringList> rows;
        for (int row = 1; row <= network->resultRows(); ++row) {
            QStringList cells;
            for (int column = 0; column < QueryGrid::kColumns; ++column)
                cells << network->cell(row, column);
            rows << cells;
        }
        return rows;
    }
    // A left click on cell (row, column) of the grid, numbered as the query numbers them.
    void clickCell(int row, int column) {
        const QRect cell = grid->visualRect(grid->model()->index(row - 1, column - 1));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    }
    QString destination() {
        const QString state = emulator.command(QStringLiteral("state"));
        return state.mid(state.indexOf(QStringLiteral("dest=")) + 5, 6);
    }

    NetworkWindow* network = nullptr;
    QueryGrid* grid = nullptr;
};

} // namespace

TEST_F(NetworkWindowTest, TheStoredChoicesAndTheRetriesBox) {
    start({}, "[Settings]\nMeter%20Test=1\nMeter%20Type1=0\nMeter%20Type0=1\n");
    EXPECT_TRUE(network->testOption(1)->isChecked());
    EXPECT_TRUE(network->meterOption(0)->isChecked());
    EXPECT_EQ(window->hopBinWindow(), nullptr);
    EXPECT_EQ(suite->meter.MeterTitle, QStringLiteral("Average RSSI (dBm)"));
    // Only 1 to 255 is kept; anything else is answered and the box reads 1.
    for (const auto& [typed, stored] : {std::pair{"0", 1}, {"", 1}, {"255", 255}, {"2.5", 2}}) {
        messages.shown.clear();
        network->retriesBox()->setText(QString::fromLatin1(typed));
        network->Text1_LostFocus();
        EXPECT_EQ(suite->settings.Retries, stored) << typed;
        EXPECT_EQ(messages.shown.isEmpty(), stored != 1) << typed;
    }
    // While being typed, the box gives the statistics a run length they can use.
    for (const auto& [typed, before, length] :
         {std::tuple{"3", 1, 3}, {"1.2.3", 4, 4}, {"0", 4, 1}, {"9999", 4, 255}})
        EXPECT_EQ(MissRunLengthFromBox(QString::fromLatin1(typed), before), length) << typed;
}

TEST_F(NetworkWindowTest, TypingOutsideTheDescriptionColumnChoosesNoRadio) {
    start();
    runQueryForASecond();
    ASSERT_EQ(network->resultRows(), 3);
    int first = 1; // the row of 0A 1B FF: no other row starts with its letters
    while (!network->cell(first, 1).startsWith(QStringLiteral("0A")))
        ++first;
    clickCell(first, 1);
    ASSERT_EQ(destination(), QStringLiteral("0A1BFF"));
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
    EXPECT_EQ(destination(), QStringLiteral("0A1BFF"));

    // A typed character in the description column opens the editor; Enter stores it.
    const QString address = network->cell(1, 1);
    grid->setCurrentCell(0, 4);
    QTest::keyClick(grid, Qt::Key_X);
    QLineEdit* editor = grid->descriptionEditor();
    ASSERT_TRUE(grid->editing());
    QTest::keyClick(editor, Qt::Key_Y);
    EXPECT_EQ(editor->cursorPosition(), 2);
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_FALSE(grid->editing());
    EXPECT_EQ(ReadDescription(SettingsStore(settingsPath), address), QStringLiteral("xy"));

    // Left moves the caret; from the start it commits and moves to the next column left.
    QTest::keyClick(grid, Qt::Key_Z);
    editor->setCursorPosition(1);
    QTest::keyClick(editor, Qt::Key_Left);
    EXPECT_TRUE(grid->editing());
    QTest::keyClick(editor, Qt::Key_Left);
    EXPECT_FALSE(grid->editing());
    EXPECT_EQ(grid->currentColumnNumber(), 4);
    EXPECT_EQ(network->cell(1, 5), QStringLiteral("xyz"));
    // Enter and Tab open no editor, nor does a character in another column.
    for (const auto& [key, column] :
         {std::pair{Qt::Key_Return, 4}, {Qt::Key_Tab, 4}, {Qt::Key_X, 2}}) {
        grid->setCurrentCell(0, column);
        QTest::keyClick(grid, key);
        EXPECT_FALSE(grid->editing()) << key;
    }
}

TEST_F(NetworkWindowTest, ClickingTheCurrentRowMakesItsRadioTheDestination) {
    // A network of one radio: its row is the only one, there is no other to move to.
    start({QStringLiteral("--radio"), QStringLiteral("0A1BFF,server,10")});
    runQueryForASecond();
    ASSERT_EQ(network->resultRows(), 1);
    ASSERT_EQ(grid->currentResultRow(), 1);
    ASSERT_NE(destination(), QStringLiteral("0A1BFF"));

    clickCell(1, 2);
    EXPECT_EQ(destination(), QStringLiteral("0A1BFF"));
    EXPECT_EQ(network->radioSelector()->currentText(), QStringLiteral("1"));

    // Clicked again, the radio is addressed again; the header row chooses nothing.
    emulator.takeReceived();
    clickCell(1, 1);
    EXPECT_FALSE(emulator.takeReceived().isEmpty());
    QTest::mouseClick(grid->horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(grid->columnWidth(0) / 2, grid->horizontalHeader()->height() / 2));
    EXPECT_EQ(emulator.takeReceived(), QByteArray());
}

TEST_F(NetworkWindowTest, TheKeyboardEditsAndLeavesTheRetriesBox) {
    start();
    QLineEdit* retries = network->retriesBox();
    retries->setText(QStringLiteral("12"));
    clickIntoBox(retries);
    expectKeyboardEditing(retries);
    EXPECT_TRUE(messages.shown.isEmpty());
}

// A query saved and loaded again shows every field as it was, marked as a past
// query; loading sends nothing to the radio and chooses no radio. A file that is
// no whole query file is named with its fault and leaves the grid as it was.
TEST_F(NetworkWindowTest, RunQuerySaveAndLoadRoundTripExactlyAndShutDownRestoresTheAddress) {
    start();
    ScriptedFileDialogs files; // cancelled until answered
    window->setFileDialogs(files);
    QTest::mouseClick(network->saveQueryButton(), Qt::LeftButton);
    ASSERT_EQ(messages.shown.size(), 1); // no query has run: nothing to save
    EXPECT_TRUE(messages.shown.at(0).startsWith(QStringLiteral("There is no query to save")));
    EXPECT_TRUE(files.requests.empty());
    messages.shown.clear();

    runQueryForASecond();
    // The emulator's three radios; the third one heard chose the second.
    ASSERT_EQ(network->resultRows(), 3);
    EXPECT_EQ(network->radioSelector()->currentIndex(), 1);
    EXPECT_EQ(destination(), network->cell(2, 1).remove(QLatin1Char(' ')));

    network->setCell(2, 5, QStringLiteral("Mast \"B\", north\nsecond line"));
    const QList<QStringList> saved = gridCells();
    const QDateTime ranAt = suite->query.RanAt;
    files.saveAnswer = dir.filePath(QStringLiteral("site.csv"));
    QTest::mouseClick(network->saveQueryButton(), Qt::LeftButton);
    ASSERT_FALSE(files.requests.empty());
    EXPECT_EQ(files.requests.back().nameFilters.section(QStringLiteral(";;"), 0, 0),
              QStringLiteral("Query Files (*.csv)"));

    runQueryForASecond(); // the radios again, with other counts
    ASSERT_NE(gridCells(), saved);
    emulator.takeReceived();
    files.openAnswer = files.saveAnswer;
    QTest::mouseClick(network->loadQueryButton(), Qt::LeftButton);
    EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown.join(u'\n').toStdString();
    EXPECT_EQ(gridCells(), saved);
    EXPECT_EQ(suite->query.MacAddressCount, 3);
    EXPECT_TRUE(network->pastQueryLabel()->isVisible());
    EXPECT_EQ(network->pastQueryLabel()->text(),
              QStringLiteral("Past query of %1, from site.csv")
                  .arg(ranAt.toString(QStringLiteral("yyyy-MM-dd HH:mm"))));
    EXPECT_EQ(network->radioSelector()->count(), 3);
    EXPECT_EQ(network->radioSelector()->currentIndex(), -1);
    runEventsFor(300);
    EXPECT_TRUE(emulator.takeReceived().isEmpty());

    // A damaged file (its reasons are the file format's own) changes nothing.
    QFile file(dir.filePath(QStringLiteral("bad.csv")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Query Run,2026");
    file.close();
    files.openAnswer = file.fileName();
    QTest::mouseClick(network->loadQueryButton(), Qt::LeftButton);
    const QString message = messages.shown.join(u'\n');
    EXPECT_TRUE(message.startsWith(QStringLiteral("Could not load \"")) &&
                message.contains(QStringLiteral("unchanged")))
        << message.toStdString();
    EXPECT_EQ(gridCells(), saved);

    runQueryForASecond(); // a new query replaces the past one and its mark
    EXPECT_FALSE(network->pastQueryLabel()->isVisible());
    window->close();
    EXPECT_EQ(destination(), QStringLiteral("123456"));
}

using NetworkQueryLayout = NetworkWindowTest;

TEST_F(NetworkQueryLayout, EveryColumnCellAndCaptionIsWholeInANarrowOrAWideWindow) {
    start({QStringLiteral("--sync-delay"), QStringLiteral("0")});
    runQueryForASecond();
    ASSERT_EQ(network->resultRows(), 3);
    const QFontMetrics cellFont(grid->font());
    // The item views keep this margin at both sides of a cell's text.
    const int cellMargin =
        grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1;
    for (int row = 1; row <= network->resultRows(); ++row)
        for (int column = 1; column < QueryGrid::kColumns; ++column) {
            const QString text = network->cell(row, column);
            EXPECT_LE(cellFont.horizontalAdvance(text) + 2 * cellMargin,
                      grid->columnWidth(column - 1))
                << "row " << row << " \"" << text.toStdString() << "\"";
        }
    // A header is whole on the two lines of the header row.
    QHeaderView* header = grid->horizontalHeader();
    const QFontMetrics headerFont(header->font());
    const int headerMargin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    for (int column = 1; column < QueryGrid::kColumns; ++column) {
        const QString text = grid->horizontalHeaderItem(column - 1)->text();
        const int room = grid->columnWidth(column - 1) - 2 * headerMargin;
        const QRect used = headerFont.boundingRect(QRect(0, 0, room, 1000), Qt::TextWordWrap, text);
        EXPECT_TRUE(used.width() <= room &&
                    used.height() <= std::min(2 * headerFont.lineSpacing(), header->height()))
            << text.toStdString();
    }

    // The user drags the window as narrow and as low as it goes: every button and
    // label keeps its whole caption, the query buttons all there at full width.
    auto* sub = qobject_cast<QMdiSubWindow*>(network->parentWidget());
    ASSERT_TRUE(sub);
    sub->resize(1, 1);
    QCoreApplication::processEvents();
    expectWholeCaptions(*network);
    for (QPushButton* b : {network->saveQueryButton(), network->loadQueryButton(),
                           network->stopQueryButton(), network->runQueryButton()})
        EXPECT_TRUE(b->isVisible() &&
                    sub->rect().contains(QRect(b->mapTo(sub, QPoint()), b->size())))
            << b->text().toStdString();
    // And as wide as one row of buttons needs.
    sub->resize(900, 700);
    QCoreApplication::processEvents();
    expectWholeCaptions(*network);
    EXPECT_EQ(network->saveQueryButton()->y(), network->runQueryButton()->y());
}
