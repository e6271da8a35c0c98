#pragma once

#include "ui/message_boxes.h"

#include <QPointer>
#include <QWidget>

// Message boxes as QMessageBox dialogs, owned by the main window once it exists.
class QtMessageBoxes : public MessageBoxes {
public:
    void setParent(QWidget* parent) { parent_ = parent; }
    void showMessage(const QString& text) override;
    Answer askYesNoCancel(const QString& text) override;

private:
    QPointer<QWidget> parent_;
};
