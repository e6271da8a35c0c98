#include "network/network_window.h"
#include "network/query_file.h"
#include "network/query_grid.h"
#include "support/failing_folders.h"
#include "support/main_window_fixture.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {

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

const QString kDescriptions[] = {
    QStringLiteral("Pump house, north wall"),
    QStringLiteral("Mast \"B\"\nsecond line"),
    QStringLiteral(" Zähler Süd – Ωμ 測試 "),
};

} // namespace

class QueryFilesTest : public MainWindowOnEmulator {
protected:
    void SetUp() override {
        startSuite({QStringLiteral("--sync-delay"), QStringLiteral("0"),
                    QStringLiteral("--query-rate"), QStringLiteral("200")});
        network = window->networkWindow();
        ASSERT_TRUE(network);
        window->setFileDialogs(files);
    }

    // Run Query clicked, Stop Query clicked a second later.
    void runQuery() {
        QTimer::singleShot(1000, network, [this] {
            QTest::mouseClick(network->stopQueryButton(), Qt::LeftButton);
        });
        QTest::mouseClick(network->runQueryButton(), Qt::LeftButton);
        ASSERT_FALSE(suite->query.running());
    }

    NetworkWindow* network = nullptr;
    ScriptedFileDialogs files;
};

// A query saved and loaded again shows every field as it was, marked as a past
// query; loading sends nothing to the radio and chooses no radio.
TEST_F(QueryFilesTest, SaveAndLoadRoundTripExactlyWithoutARadioExchange) {
    runQuery();
    ASSERT_EQ(network->resultRows(), 3);
    for (int row = 1; row <= 3; ++row)
        network->setCell(row, 5, kDescriptions[row - 1]);
    const QList<QStringList> saved = gridCells(*network);
    const QDateTime ranAt = suite->query.RanAt;

    files.saveAnswer = dir.filePath(QStringLiteral("site.csv"));
    QTest::mouseClick(network->saveQueryButton(), Qt::LeftButton);
    EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown.join(u'\n').toStdString();
    ASSERT_FALSE(files.requests.empty());
    EXPECT_EQ(files.requests.back().nameFilters.section(QStringLiteral(";;"), 0, 0),
              QStringLiteral("Query Files (*.csv)"));
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("site.csv*")}),
              QStringList{QStringLiteral("site.csv")});

    // A new query lists the radios again, with other counts.
    runQuery();
    ASSERT_NE(gridCells(*network), saved);
    EXPECT_FALSE(network->pastQueryLabel()->isVisible());

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

    // Saved again, the past query keeps the time it ran.
    files.saveAnswer = dir.filePath(QStringLiteral("again.csv"));
    QTest::mouseClick(network->saveQueryButton(), Qt::LeftButton);
    QFile again(files.saveAnswer);
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    const QueryFileRead reread = readQueryFile(again.readAll());
    EXPECT_EQ(reread.query.ranAt.toString(Qt::ISODate), ranAt.toString(Qt::ISODate));

    // The next Run Query replaces the past query and its mark.
    runQuery();
    EXPECT_FALSE(network->pastQueryLabel()->isVisible());
}

// A file that is no whole query file is named with its fault, and the grid keeps
// the query it showed.
TEST_F(QueryFilesTest, ABadFileLeavesTheGridAsItWas) {
    runQuery();
    const QList<QStringList> before = gridCells(*network);
    files.saveAnswer = dir.filePath(QStringLiteral("good.csv"));
    QTest::mouseClick(network->saveQueryButton(), Qt::LeftButton);
    QFile good(files.saveAnswer);
    ASSERT_TRUE(good.open(QIODevice::ReadOnly));
    const QByteArray whole = good.readAll();

    const auto loadBytes = [&](const QByteArray& bytes) {
        const QString path = dir.filePath(QStringLiteral("bad.csv"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        messages.shown.clear();
        files.openAnswer = path;
        QTest::mouseClick(network->loadQueryButton(), Qt::LeftButton);
        return messages.shown.join(u'\n');
    };
    QByteArray huge = whole;
    huge += QByteArray(kQueryFileSizeLimit, 'x');
    const QString truncated = loadBytes(whole.left(whole.size() - 10));
    const QString binary = loadBytes(QByteArray("\x7F"
                                                "ELF\x02\x01\x01\0\0\0",
                                                10)
                                         .repeated(30));
    const QString tooLarge = loadBytes(huge);
    for (const QString& message : {truncated, binary, tooLarge}) {
        EXPECT_TRUE(message.startsWith(QStringLiteral("Could not load \"")))
            << message.toStdString();
        EXPECT_TRUE(message.contains(QStringLiteral("unchanged"))) << message.toStdString();
    }
    EXPECT_TRUE(binary.contains(QStringLiteral("not a text file"))) << binary.toStdString();
    EXPECT_TRUE(tooLarge.contains(QStringLiteral("larger"))) << tooLarge.toStdString();
    EXPECT_EQ(gridCells(*network), before);
    EXPECT_FALSE(network->pastQueryLabel()->isVisible());
    EXPECT_EQ(suite->query.MacAddressCount, 3);
}

// Saving into a read-only folder or onto a full disk says so and leaves no file.
TEST_F(QueryFilesTest, AReadOnlyFolderOrAFullDiskIsShownAndLeavesNoFile) {
    runQuery();
    for (int row = 1; row <= network->resultRows(); ++row)
        network->setCell(row, 5, QString(30000, QChar(u'ü'))); // a large file
    {
        const ReadOnlyFolder readOnly(dir.filePath(QStringLiteral("read-only")));
        if (!readOnly.path().isEmpty()) {
            files.saveAnswer = readOnly.path() + QStringLiteral("/site.csv");
            QTest::mouseClick(network->saveQueryButton(), Qt::LeftButton);
            ASSERT_EQ(messages.shown.size(), 1);
            EXPECT_TRUE(messages.shown.at(0).contains(QStringLiteral("read-only")))
                << messages.shown.at(0).toStdString();
            EXPECT_TRUE(QDir(readOnly.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot));
        }
    }
    messages.shown.clear();
    const QString full = dir.filePath(QStringLiteral("full"));
    QDir().mkpath(full);
    files.saveAnswer = full + QStringLiteral("/site.csv");
    {
        const FileSizeLimit limit(16 * 1024);
        ASSERT_TRUE(limit.active());
        QTest::mouseClick(network->saveQueryButton(), Qt::LeftButton);
    }
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown.at(0).contains(QStringLiteral("full")))
        << messages.shown.at(0).toStdString();
    EXPECT_TRUE(QDir(full).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
}
