#include "network/button_row.h"

#include <QResizeEvent>
#include <algorithm>

ButtonRow::ButtonRow(const QList<QWidget*>& left, const QList<QWidget*>& right, int spacing,
                     QWidget* parent)
    : QWidget(parent), left_(left), right_(right), spacing_(spacing) {
    for (QWidget* button : left_ + right_)
        button->setParent(this);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

int ButtonRow::groupWidth(const QList<QWidget*>& group) const {
    int width = 0;
    for (const QWidget* button : group)
        width += button->sizeHint().width();
    return width + spacing_ * std::max<int>(0, static_cast<int>(group.size()) - 1);
}

int ButtonRow::rowHeight() const {
    int height = 0;
    for (const QWidget* button : left_ + right_)
        height = std::max(height, button->sizeHint().height());
    return height;
}

bool ButtonRow::fitsOneRow(int width) const {
    return groupWidth(left_) + spacing_ + groupWidth(right_) <= width;
}

QSize ButtonRow::sizeHint() const {
    return {groupWidth(left_) + spacing_ + groupWidth(right_), minimumSizeHint().height()};
}

QSize ButtonRow::minimumSizeHint() const {
    return {std::max(groupWidth(left_), groupWidth(right_)),
            twoRows_ ? 2 * rowHeight() + spacing_ : rowHeight()};
}

void ButtonRow::placeGroup(const QList<QWidget*>& group, int x, int y) {
    for (QWidget* button : group) {
        const QSize size(button->sizeHint().width(), rowHeight());
        button->setGeometry(QRect(QPoint(x, y), size));
        x += size.width() + spacing_;
    }
}

void ButtonRow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int width = event->size().width();
    placeGroup(left_, 0, 0);
    const bool twoRows = !fitsOneRow(width);
    placeGroup(right_, std::max(0, width - groupWidth(right_)),
               twoRows ? rowHeight() + spacing_ : 0);
    if (twoRows != twoRows_) {
        // The height follows the width: the layout above gives the new one.
        twoRows_ = twoRows;
        updateGeometry();
    }
}
