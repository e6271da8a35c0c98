#include "ui/qt_message_boxes.h"

#include <QApplication>
#include <QMessageBox>

namespace {
QString title() {
    return QApplication::applicationDisplayName();
}
} // namespace

void QtMessageBoxes::showMessage(const QString& text) {
    QMessageBox::information(parent_, title(), text, QMessageBox::Ok);
}

MessageBoxes::Answer QtMessageBoxes::askYesNoCancel(const QString& text) {
    switch (QMessageBox::question(parent_, title(), text,
                                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                  QMessageBox::Yes)) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}
