#pragma once

#include <QTableWidget>

class QLineEdit;

// The result grid of the network query: a fixed header row (twice the usual
// height) and a fixed leftmost column with the row numbers, then "MAC Address",
// "Type", "RF Channel", "Number of Responses" and "Description". Rows and columns
// are numbered as the query numbers them: result row 1 is the first radio, column 0
// the fixed number column.
//
// Descriptions are typed straight into the grid: a character typed in the
// Description column opens an editor over the cell holding the cell's text and that
// character; Enter, Left with the caret at the start, or leaving the editor puts
// the text back into the cell and reports it.
class QueryGrid : public QTableWidget {
    Q_OBJECT
public:
    static constexpr int kColumns = 6;
    static constexpr int kDescriptionColumn = 5;

    explicit QueryGrid(QWidget* parent = nullptr);

    // Header texts, least widths in pixels and alignments of the six columns.
    void setColumnLayout(const QStringList& headers, const QList<int>& widths,
                         const QList<Qt::Alignment>& alignments);

    void clearResults(); // one empty result row
    int resultRows() const { return rowCount(); }
    void appendResultRow();
    QString cell(int row, int column) const;
    void setCell(int row, int column, const QString& text);
    void scrollToFirstColumn();
    void setCurrentResultRow(int row);
    int currentResultRow() const { return currentRow() + 1; }
    int currentColumnNumber() const { return currentColumn() + 1; }

    QLineEdit* descriptionEditor() const { return editor_; }
    bool editing() const;

signals:
    // A description typed into row `row` has been put into its cell.
    void descriptionCommitted(int row, const QString& text);
    // The user made row `row` (from 1) current, or clicked it while it was current.
    void userMovedToRow(int row);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fitColumn(int column);
    void openEditor(const QString& typed);
    void placeEditor();
    // Puts the editor's text into the Description cell of the edited row; with
    // `backToGrid` the grid takes the keyboard again.
    void commit(bool backToGrid);

    QLineEdit* editor_;
    QList<Qt::Alignment> alignments_;
    QList<int> minimumWidths_;
    int editedRow_ = -1;               // table row of the open editor
    bool caretAtStart_ = false;        // the caret was at the start when Left was pressed
    bool programMove_ = false;         // the program, not the user, moves the current cell
    bool pressedOnCurrentRow_ = false; // the left button went down on the current row
};
