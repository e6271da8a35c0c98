#include "ui/square_box.h"

#include <QResizeEvent>
#include <algorithm>

SquareBox::SquareBox(QWidget* child, QWidget* parent) : QWidget(parent), child_(child) {
    child_->setParent(this);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(120, 120);
}

void SquareBox::resizeEvent(QResizeEvent* event) {
    const int side = std::min(event->size().width(), event->size().height());
    child_->setGeometry((event->size().width() - side) / 2, (event->size().height() - side) / 2,
                        side, side);
}
