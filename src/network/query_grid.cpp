#include "network/query_grid.h"

#include "network/column_fit.h"
#include "ui/typed_key.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>

namespace {
// Query column c (1..5) is table column c - 1; column 0 is the vertical header.
int tableColumn(int column) {
    return column - 1;
}
} // namespace

QueryGrid::QueryGrid(QWidget* parent) : QTableWidget(1, kColumns - 1, parent) {
    setEditTriggers(QAbstractItemView::NoEditTriggers); // typing is handled here
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    clearResults();

    editor_ = new QLineEdit(viewport());
    editor_->hide();
    editor_->installEventFilter(this);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, &QueryGrid::placeEditor);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &QueryGrid::placeEditor);
    connect(this, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int previousRow, int) {
                if (!programMove_ && row >= 0 && row != previousRow)
                    emit userMovedToRow(row + 1);
            });
}

void QueryGrid::setColumnLayout(const QStringList& headers, const QList<int>& widths,
                                const QList<Qt::Alignment>& alignments) {
    minimumWidths_ = widths;
    for (int c = 1; c < kColumns; ++c)
        setHorizontalHeaderItem(tableColumn(c), new QTableWidgetItem(headers.value(c)));
    alignments_ = alignments;
    for (int row = 0; row < rowCount(); ++row) // the cells made before the layout was known
        for (int c = 1; c < kColumns; ++c)
            if (QTableWidgetItem* cell = item(row, tableColumn(c)))
                cell->setTextAlignment(alignments_.value(c, Qt::AlignCenter));
    horizontalHeader()->setDefaultAlignment(Qt::Alignment(Qt::AlignCenter | Qt::TextWordWrap));
    horizontalHeader()->setFixedHeight(horizontalHeader()->sizeHint().height() * 2);
    for (int c = 0; c < kColumns; ++c)
        fitColumn(c);
}

void QueryGrid::fitColumn(int column) {
    // Every column shows its header and its widest cell whole, in whatever font
    // the desktop uses; the widths of the layout are the least it gets.
    if (column == 0) {
        verticalHeader()->setFixedWidth(
            std::max(minimumWidths_.value(0), verticalHeader()->sizeHint().width()));
        return;
    }
    const int t = tableColumn(column);
    const QTableWidgetItem* header = horizontalHeaderItem(t);
    int width =
        std::max(minimumWidths_.value(column),
                 twoLineHeaderWidth(*horizontalHeader(), header ? header->text() : QString()));
    for (int row = 0; row < rowCount(); ++row)
        if (item(row, t))
            width = std::max(width, sizeHintForIndex(model()->index(row, t)).width());
    if (columnWidth(t) != width)
        setColumnWidth(t, width);
}

void QueryGrid::clearResults() {
    if (editing()) {
        editedRow_ = -1;
        editor_->hide();
    }
    setRowCount(1);
    for (int c = 0; c < kColumns; ++c)
        setCell(1, c, QString());
}

void QueryGrid::appendResultRow() {
    setRowCount(rowCount() + 1);
}

QString QueryGrid::cell(int row, int column) const {
    if (row < 1 || row > rowCount() || column < 0 || column >= kColumns)
        return QString();
    const QTableWidgetItem* item =
        column == 0 ? verticalHeaderItem(row - 1) : this->item(row - 1, tableColumn(column));
    return item ? item->text() : QString();
}

void QueryGrid::setCell(int row, int column, const QString& text) {
    if (row < 1 || row > rowCount() || column < 0 || column >= kColumns)
        return;
    if (column == 0) {
        setVerticalHeaderItem(row - 1, new QTableWidgetItem(text));
        fitColumn(0);
        return;
    }
    QTableWidgetItem* item = this->item(row - 1, tableColumn(column));
    if (!item) {
        item = new QTableWidgetItem();
        item->setTextAlignment(alignments_.value(column, Qt::AlignCenter));
        setItem(row - 1, tableColumn(column), item);
    }
    item->setText(text);
    fitColumn(column);
}

void QueryGrid::scrollToFirstColumn() {
    horizontalScrollBar()->setValue(0);
}

void QueryGrid::setCurrentResultRow(int row) {
    if (row < 1 || row > rowCount())
        return;
    programMove_ = true;
    setCurrentCell(row - 1, std::max(currentColumn(), 0));
    programMove_ = false;
}

bool QueryGrid::editing() const {
    return editedRow_ >= 0;
}

void QueryGrid::keyPressEvent(QKeyEvent* event) {
    if (TypedCharacter(*event).isNull()) {
        QTableWidget::keyPressEvent(event); // arrows, Home, End, Tab, Enter move as usual
        return;
    }
    if (currentColumn() == tableColumn(kDescriptionColumn) && currentRow() >= 0)
        openEditor(event->text());
    // Typed anywhere else, a character does nothing. The table's own keyboard search
    // would jump to a row starting with it, and the radio selector (and so the
    // radio's destination) would follow.
    event->accept();
}

void QueryGrid::mousePressEvent(QMouseEvent* event) {
    const QModelIndex pressed = indexAt(event->position().toPoint());
    pressedOnCurrentRow_ =
        event->button() == Qt::LeftButton && pressed.isValid() && pressed.row() == currentRow();
    QTableWidget::mousePressEvent(event);
}

void QueryGrid::mouseReleaseEvent(QMouseEvent* event) {
    QTableWidget::mouseReleaseEvent(event);
    const bool onCurrentRow = pressedOnCurrentRow_;
    pressedOnCurrentRow_ = false;
    // A click on the row that already is current chooses its radio again: in a
    // network of one radio there is no other row to move to.
    const QModelIndex released = indexAt(event->position().toPoint());
    if (onCurrentRow && event->button() == Qt::LeftButton && released.isValid() &&
        released.row() == currentRow())
        emit userMovedToRow(currentRow() + 1);
}

void QueryGrid::openEditor(const QString& typed) {
    editedRow_ = currentRow();
    editor_->setText(cell(editedRow_ + 1, kDescriptionColumn) + typed);
    placeEditor();
    editor_->show();
    editor_->raise();
    editor_->setFocus();
    editor_->setCursorPosition(static_cast<int>(editor_->text().size()));
}

void QueryGrid::placeEditor() {
    if (editedRow_ < 0 || editedRow_ >= rowCount())
        return;
    editor_->setGeometry(visualRect(model()->index(editedRow_, tableColumn(kDescriptionColumn))));
}

void QueryGrid::commit(bool backToGrid) {
    if (!editing())
        return;
    const int row = editedRow_ + 1;
    editedRow_ = -1; // before hiding: the focus leaving the editor commits nothing more
    const QString text = editor_->text();
    // The view's focus handling may move the current cell to the first one when it
    // gets the focus back; the cell being edited stays current.
    const int currentRowBefore = currentRow();
    const int currentColumnBefore = currentColumn();
    if (backToGrid)
        setFocus(Qt::OtherFocusReason);
    editor_->hide();
    if (currentRow() != currentRowBefore || currentColumn() != currentColumnBefore) {
        programMove_ = true;
        setCurrentCell(currentRowBefore, currentColumnBefore);
        programMove_ = false;
    }
    setCell(row, kDescriptionColumn, text);
    emit descriptionCommitted(row, text);
}

bool QueryGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched != editor_ || !editing())
        return QTableWidget::eventFilter(watched, event);
    // (FocusOut commits to the edited row's description whichever cell is current.)
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Left)
            caretAtStart_ = editor_->cursorPosition() == 0;
        break;
    }
    case QEvent::KeyRelease: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            commit(true);
            return true;
        }
        if (key->key() == Qt::Key_Left && caretAtStart_) {
            caretAtStart_ = false;
            const int row = editedRow_;
            commit(true);
            // On to the column at the left of the description.
            setCurrentCell(row, tableColumn(kDescriptionColumn - 1));
            return true;
        }
        break;
    }
    case QEvent::FocusOut:
        commit(false);
        break;
    default:
        break;
    }
    return QTableWidget::eventFilter(watched, event);
}
