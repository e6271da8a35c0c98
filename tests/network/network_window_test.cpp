// The Network Query window as the user works it: the stored choices, the retries
// box, Run Query on the emulator's radios, choosing a radio in the grid, typing a
// description, saving and loading a query, and whole captions and cells at any size.

#include "network/network_window.h"
#include "network/query_grid.h"
#include "network/retries_box.h"
#include "support/keyboard_editing.h"
#include "support/main_window_fixture.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

namespace {

// Resized as the user drags it, every button and label shown in the network window
// is at least as wide and high as its caption needs.
void expectWholeCaptionsAt(QMdiSubWindow* sub, QSize size) {
    sub->resize(size);
    QCoreApplication::processEvents();
    for (QWidget* w : sub->widget()->findChildren<QWidget*>()) {
        const bool captioned = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLabel*>(w);
        EXPECT_TRUE(!captioned || !w->isVisible() ||
                    w->size().expandedTo(w->sizeHint()) == w->size())
            << w->metaObject()->className();
    }
}

class NetworkWindowTest : public MainWindowOnEmulator {
protected:
    // A suite on the emulator's radios; with `rows` > 0 a query has run for a second
    // and listed that many.
    void start(QStringList emulatorArgs = {}, int rows = 0, const QByteArray& stored = {}) {
        startSuite(emulatorArgs << QStringLiteral("--query-rate") << QStringLiteral("200"), stored);
        ASSERT_TRUE((network = window->networkWindow()));
        grid = network->grid();
        if (rows > 0)
            runQueryForASecond();
        ASSERT_EQ(network->resultRows(), std::max(rows, 1)); // no query: one empty row
    }
    // Clicks Run Query on the emulator's radios and Stop Query a second later.
    void runQueryForASecond() {
        QPushButton* stop = network->stopQueryButton();
        QTimer::singleShot(1000, stop, [stop] { QTest::mouseClick(stop, Qt::LeftButton); });
        QTest::mouseClick(network->runQueryButton(), Qt::LeftButton);
    }
    // What the grid shows: every cell of every result row, row after row.
    QStringList gridCells() const {
        QStringList cells;
        for (int row = 1; row <= network->resultRows(); ++row)
            for (int column = 0; column < QueryGrid::kColumns; ++column)
                cells << network->cell(row, column);
        return cells;
    }
    // A left click on cell (row, column) of the grid, numbered as the query numbers them.
    void clickCell(int row, int column) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(grid->model()->index(row - 1, column - 1)).center());
    }
    QString destination() {
        const QString state = emulator.command(QStringLiteral("state"));
        return state.mid(state.indexOf(QStringLiteral("dest=")) + 5, 6);
    }

    NetworkWindow* network = nullptr;
    QueryGrid* grid = nullptr;
};

} // namespace

// The stored choices are shown. The retries box keeps only 1 to 255, and the
// keyboard edits it and leaves it.
TEST_F(NetworkWindowTest, TheKeyboardEditsAndLeavesTheRetriesBox) {
    start({}, 0, "[Settings]\nMeter%20Test=1\nMeter%20Type1=0\nMeter%20Type0=1\n");
    EXPECT_TRUE(network->testOption(1)->isChecked() && network->meterOption(0)->isChecked());
    EXPECT_EQ(suite->meter.MeterTitle, QStringLiteral("Average RSSI (dBm)"));
    QLineEdit* retries = network->retriesBox();
    // Anything else is answered and the box reads 1.
    for (const auto& [typed, stored] : {std::pair{"0", 1}, {"", 1}, {"255", 255}, {"2.5", 2}}) {
        messages.shown.clear();
        retries->setText(QString::fromLatin1(typed));
        network->Text1_LostFocus();
        EXPECT_EQ(suite->settings.Retries, stored) << typed;
        EXPECT_EQ(messages.shown.isEmpty(), stored != 1) << typed;
    }
    // While being typed, the box gives the statistics a run length they can use.
    for (const auto& [typed, before, length] :
         {std::tuple{"3", 1, 3}, {"1.2.3", 4, 4}, {"0", 4, 1}, {"9999", 4, 255}})
        EXPECT_EQ(MissRunLengthFromBox(QString::fromLatin1(typed), before), length) << typed;
    retries->setText(QStringLiteral("12"));
    clickIntoBox(retries);
    expectKeyboardEditing(retries);
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(NetworkWindowTest, TypingOutsideTheDescriptionColumnChoosesNoRadio) {
    start({}, 3);
    // The row of 0A 1B FF: no other row starts with its letters.
    const int first = 1 + int(suite->query.MacAddressList.indexOf(QStringLiteral("0A 1B FF")));
    clickCell(first, 1);
    ASSERT_EQ(destination(), QStringLiteral("0A1BFF"));
    emulator.takeReceived();

    // "5" and "2" start the other addresses, "c" and "s" the types, "1" the channel
    // and the counts: a keyboard search would find a row for each.
    for (const char* typed : {"52", "csCS", "1"}) {
        QTest::keyClicks(grid, QString::fromLatin1(typed));
        QTest::keyClick(grid, Qt::Key_Right);
    }
    QTest::keyClicks(grid, QStringLiteral("123456789"));
    EXPECT_EQ(std::tuple(grid->currentResultRow(), grid->currentColumnNumber(), grid->editing(),
                         network->radioSelector()->currentIndex()),
              std::tuple(first, 4, false, first - 1));
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
    EXPECT_EQ(std::pair(grid->editing(), ReadDescription(SettingsStore(settingsPath), address)),
              std::pair(false, QStringLiteral("xy")));

    // Left moves the caret; from the start it commits and moves to the next column left.
    QTest::keyClick(grid, Qt::Key_Z);
    editor->setCursorPosition(1);
    QTest::keyClick(editor, Qt::Key_Left);
    EXPECT_TRUE(grid->editing());
    QTest::keyClick(editor, Qt::Key_Left);
    EXPECT_EQ(std::tuple(grid->editing(), grid->currentColumnNumber(), network->cell(1, 5)),
              std::tuple(false, 4, QStringLiteral("xyz")));
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
    start({QStringLiteral("--radio"), QStringLiteral("0A1BFF,server,10")}, 1);
    ASSERT_EQ(grid->currentResultRow(), 1);
    ASSERT_NE(destination(), QStringLiteral("0A1BFF"));

    clickCell(1, 2);
    EXPECT_EQ(std::pair(destination(), network->radioSelector()->currentText()),
              std::pair(QStringLiteral("0A1BFF"), QStringLiteral("1")));

    // Clicked again, the radio is addressed again; the header row chooses nothing.
    emulator.takeReceived();
    clickCell(1, 1);
    EXPECT_FALSE(emulator.takeReceived().isEmpty());
    QTest::mouseClick(grid->horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(grid->columnWidth(0) / 2, grid->horizontalHeader()->height() / 2));
    EXPECT_EQ(emulator.takeReceived(), QByteArray());
}

// A query saved and loaded again shows every field as it was, marked as a past
// query; loading sends nothing to the radio and chooses no radio. A file that is
// no whole query file is named with its fault and leaves the grid as it was.
TEST_F(NetworkWindowTest, RunQuerySaveAndLoadRoundTripExactlyAndShutDownRestoresTheAddress) {
    start();
    ScriptedFileDialogs files; // cancelled until answered
    window->setFileDialogs(files);
    QTest::mouseClick(network->saveQueryButton(), Qt::LeftButton);
    EXPECT_TRUE(messages.shown.size() == 1 && files.requests.empty() && // no query: nothing to save
                messages.shown[0].startsWith(QStringLiteral("There is no query to save")));
    messages.shown.clear();

    runQueryForASecond();
    // The emulator's three radios; the third one heard chose the second.
    ASSERT_EQ(network->resultRows(), 3);
    EXPECT_EQ(std::pair(network->radioSelector()->currentIndex(), destination()),
              std::pair(1, network->cell(2, 1).remove(QLatin1Char(' '))));

    network->setCell(2, 5, QStringLiteral("Mast \"B\", north\nsecond line"));
    const QStringList saved = gridCells();
    const QDateTime ranAt = suite->query.RanAt;
    files.saveAnswer = dir.filePath(QStringLiteral("site.csv"));
    QTest::mouseClick(network->saveQueryButton(), Qt::LeftButton);
    ASSERT_FALSE(files.requests.empty());
    EXPECT_TRUE(
        files.requests.back().nameFilters.startsWith(QStringLiteral("Query Files (*.csv)")));

    runQueryForASecond(); // the radios again, with other counts
    ASSERT_NE(gridCells(), saved);
    emulator.takeReceived();
    files.openAnswer = files.saveAnswer;
    QTest::mouseClick(network->loadQueryButton(), Qt::LeftButton);
    EXPECT_EQ(std::tuple(messages.shown, gridCells(), suite->query.MacAddressCount),
              std::tuple(QStringList(), saved, std::int16_t(3)));
    EXPECT_TRUE(network->pastQueryLabel()->isVisible());
    EXPECT_EQ(network->pastQueryLabel()->text(),
              QStringLiteral("Past query of %1, from site.csv")
                  .arg(ranAt.toString(QStringLiteral("yyyy-MM-dd HH:mm"))));
    EXPECT_EQ(
        std::pair(network->radioSelector()->count(), network->radioSelector()->currentIndex()),
        std::pair(3, -1));
    runEventsFor(300);
    EXPECT_TRUE(emulator.takeReceived().isEmpty());

    // A file that is no query (its reasons are the file format's own) changes nothing.
    files.openAnswer = settingsPath;
    QTest::mouseClick(network->loadQueryButton(), Qt::LeftButton);
    const QString message = messages.shown.join(u'\n');
    EXPECT_TRUE(message.startsWith(QStringLiteral("Could not load \"")) &&
                message.contains(QStringLiteral("unchanged")) && gridCells() == saved)
        << qPrintable(message);

    runQueryForASecond(); // a new query replaces the past one and its mark
    EXPECT_FALSE(network->pastQueryLabel()->isVisible());
    window->close();
    EXPECT_EQ(destination(), QStringLiteral("123456"));
}

using NetworkQueryLayout = NetworkWindowTest;

TEST_F(NetworkQueryLayout, EveryColumnCellAndCaptionIsWholeInANarrowOrAWideWindow) {
    start({QStringLiteral("--sync-delay"), QStringLiteral("0")}, 3);
    // The item views keep a margin (the focus frame's and a pixel) at both sides of a
    // cell's text; a header is whole on the two lines of the header row.
    QHeaderView* header = grid->horizontalHeader();
    const QFontMetrics cellFont(grid->font()), headerFont(header->font());
    const int cellMargin = grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid);
    const int headerMargin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    for (int column = 1; column < QueryGrid::kColumns; ++column) {
        for (int row = 1; row <= 3; ++row)
            EXPECT_LE(cellFont.horizontalAdvance(network->cell(row, column)) + 2 * cellMargin + 2,
                      grid->columnWidth(column - 1))
                << qPrintable(network->cell(row, column));
        const QString text = grid->horizontalHeaderItem(column - 1)->text();
        const int room = grid->columnWidth(column - 1) - 2 * headerMargin;
        const QRect used = headerFont.boundingRect(QRect(0, 0, room, 1000), Qt::TextWordWrap, text);
        EXPECT_TRUE(used.width() <= room &&
                    used.height() <= std::min(2 * headerFont.lineSpacing(), header->height()))
            << qPrintable(text);
    }

    // The user drags the window as narrow and as low as it goes: every button and
    // label keeps its whole caption, the query buttons all there at full width.
    auto* sub = qobject_cast<QMdiSubWindow*>(network->parentWidget());
    ASSERT_TRUE(sub);
    expectWholeCaptionsAt(sub, QSize(1, 1));
    for (QPushButton* b : {network->saveQueryButton(), network->loadQueryButton(),
                           network->stopQueryButton(), network->runQueryButton()})
        EXPECT_TRUE(b->isVisible() &&
                    sub->rect().contains(QRect(b->mapTo(sub, QPoint()), b->size())))
            << b->text().toStdString();
    // And as wide as one row of buttons needs.
    expectWholeCaptionsAt(sub, QSize(900, 700));
    EXPECT_EQ(network->saveQueryButton()->y(), network->runQueryButton()->y());
}
