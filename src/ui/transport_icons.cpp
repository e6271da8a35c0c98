#include "ui/transport_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace transport_icons {
namespace {

constexpr int kSize = 32;

// Draws one icon at the sizes a tool bar asks for.
template <typename Paint> QIcon drawn(Paint paint) {
    QIcon icon;
    for (int size : {16, 24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / double(kSize), size / double(kSize));
        paint(painter);
        icon.addPixmap(pixmap);
    }
    return icon;
}

const QColor kOutline(40, 40, 40);
const QColor kIdle(110, 110, 110);

QIcon play(bool active) {
    return drawn([active](QPainter& p) {
        QPainterPath triangle;
        triangle.moveTo(9, 6);
        triangle.lineTo(26, 16);
        triangle.lineTo(9, 26);
        triangle.closeSubpath();
        p.setPen(QPen(kOutline, 1.5));
        p.setBrush(active ? QColor(0, 190, 0) : kIdle);
        p.drawPath(triangle);
    });
}

QIcon record(bool active) {
    return drawn([active](QPainter& p) {
        p.setPen(QPen(kOutline, 1.5));
        p.setBrush(active ? QColor(235, 0, 0) : QColor(150, 70, 70));
        p.drawEllipse(QRectF(7, 7, 18, 18));
    });
}

QIcon pause(bool active) {
    return drawn([active](QPainter& p) {
        p.setPen(QPen(kOutline, 1.5));
        p.setBrush(active ? QColor(255, 170, 0) : kIdle);
        p.drawRect(QRectF(8, 7, 6, 18));
        p.drawRect(QRectF(18, 7, 6, 18));
    });
}

} // namespace

QIcon image(int number) {
    switch (number) {
    case 5:
        return pause(false);
    case 6:
        return pause(true);
    case 7:
        return play(false);
    case 8:
        return play(true);
    case 9:
        return record(false);
    case 10:
        return record(true);
    default:
        return {};
    }
}

QIcon stop() {
    return drawn([](QPainter& p) {
        p.setPen(QPen(kOutline, 1.5));
        p.setBrush(kIdle);
        p.drawRect(QRectF(8, 8, 16, 16));
    });
}

QIcon loadFile() {
    return drawn([](QPainter& p) {
        p.setPen(QPen(kOutline, 1.5));
        p.setBrush(QColor(230, 190, 90));
        QPainterPath folder;
        folder.moveTo(4, 9);
        folder.lineTo(12, 9);
        folder.lineTo(14, 12);
        folder.lineTo(28, 12);
        folder.lineTo(28, 25);
        folder.lineTo(4, 25);
        folder.closeSubpath();
        p.drawPath(folder);
    });
}

} // namespace transport_icons
