#pragma once

#include <QList>
#include <QWidget>

// A row of buttons in two groups, one at the left edge and one at the right edge,
// each button at its full width so that no caption is cut. When the row is too
// narrow for both groups side by side, the right group moves under the left one,
// still at the right edge.
class ButtonRow : public QWidget {
public:
    ButtonRow(const QList<QWidget*>& left, const QList<QWidget*>& right, int spacing,
              QWidget* parent = nullptr);

    // As high as the rows it shows at its present width; at least as wide as its
    // wider group.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    int groupWidth(const QList<QWidget*>& group) const;
    int rowHeight() const;
    bool fitsOneRow(int width) const;
    void placeGroup(const QList<QWidget*>& group, int x, int y);

    QList<QWidget*> left_;
    QList<QWidget*> right_;
    int spacing_;
    bool twoRows_ = false;
};
