// The Network Query window as the desktop draws it: whole captions, whole cells.

#include "network/network_window.h"
#include "network/query_grid.h"
#include "support/main_window_fixture.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QStyle>
#include <QTest>

namespace {

// Every button and label shown in `window` is at least as wide and high as its
// caption needs.
void expectWholeCaptions(QWidget& window) {
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (w->isVisible() && (qobject_cast<QAbstractButton*>(w) || qobject_cast<QLabel*>(w))) {
            EXPECT_LE(w->sizeHint().width(), w->width()) << w->metaObject()->className();
            EXPECT_LE(w->sizeHint().height(), w->height()) << w->metaObject()->className();
        }
    }
}

} // namespace

using NetworkQueryLayout = MainWindowOnEmulator;

TEST_F(NetworkQueryLayout, EveryColumnCellAndCaptionIsWholeInANarrowOrAWideWindow) {
    startSuite({QStringLiteral("--sync-delay"), QStringLiteral("0"), QStringLiteral("--query-rate"),
                QStringLiteral("200")});
    NetworkWindow* network = window->networkWindow();
    ASSERT_TRUE(network);
    QTimer::singleShot(1000, network, [network] {
        QTest::mouseClick(network->stopQueryButton(), Qt::LeftButton);
    });
    QTest::mouseClick(network->runQueryButton(), Qt::LeftButton);
    ASSERT_EQ(network->resultRows(), 3);

    QueryGrid* grid = network->grid();
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
        EXPECT_LE(used.width(), room) << text.toStdString();
        EXPECT_LE(used.height(), std::min(2 * headerFont.lineSpacing(), header->height()))
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
                           network->stopQueryButton(), network->runQueryButton()}) {
        EXPECT_TRUE(b->isVisible() &&
                    sub->rect().contains(QRect(b->mapTo(sub, QPoint()), b->size())))
            << b->text().toStdString();
    }
    // And as wide as one row of buttons needs.
    sub->resize(900, 700);
    QCoreApplication::processEvents();
    expectWholeCaptions(*network);
    EXPECT_EQ(network->saveQueryButton()->y(), network->runQueryButton()->y());
}
