#include "user_input.h"

#include <qpa/qwindowsysteminterface.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTableWidget>
#include <QTest>
#include <QToolBar>

namespace user_input {

namespace {
bool reachable(const QWidget* widget) {
    return widget && widget->isVisible() && widget->isEnabled();
}
QString plain(QString text) {
    return text.remove(QLatin1Char('&'));
}
} // namespace

bool click(QWidget* widget, QPoint at) {
    if (!reachable(widget))
        return false;
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier,
                      at.isNull() ? widget->rect().center() : at);
    return true;
}

bool clickToolButton(QToolBar* bar, QAction* action) {
    return bar && action && click(bar->widgetForAction(action));
}

bool clickButton(QAbstractButton* button) {
    return click(button);
}

bool chooseMenuEntry(QMenuBar* bar, const QString& menuTitle, const QString& entry) {
    if (!reachable(bar))
        return false;
    for (QAction* title : bar->actions()) {
        QMenu* menu = title->menu();
        if (!menu || plain(title->text()) != menuTitle)
            continue;
        if (!title->isEnabled())
            return false;
        // The press on the title opens the menu (a popup: this does not block).
        click(bar, bar->actionGeometry(title).center());
        if (!menu->isVisible())
            return false;
        for (QAction* item : menu->actions()) {
            if (plain(item->text()) != entry)
                continue;
            if (!item->isEnabled())
                break;
            // The release on the entry triggers it; it may not return for a while.
            QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier,
                              menu->actionGeometry(item).center());
            return true;
        }
        QTest::keyClick(menu, Qt::Key_Escape);
        return false;
    }
    return false;
}

bool clickCell(QTableWidget* table, int row, int column) {
    if (!reachable(table) || row < 0 || row >= table->rowCount() || column < 0 ||
        column >= table->columnCount())
        return false;
    const QRect cell = table->visualRect(table->model()->index(row, column));
    if (!cell.isValid() || !table->viewport()->rect().contains(cell.center()))
        return false;
    return click(table->viewport(), cell.center());
}

QWidget* keyboardTarget(QWidget* fallback) {
    // Offscreen, a closed popup can keep the focus it had; keys cannot reach a
    // widget that is not shown.
    if (QWidget* focus = QApplication::focusWidget(); focus && focus->isVisible())
        return focus;
    if (QWidget* active = QApplication::activeWindow(); active && active->isVisible())
        return active;
    return fallback;
}

void pressKey(QWidget* fallback, Qt::Key key, const QString& text) {
    QWidget* target = keyboardTarget(fallback);
    if (!target)
        return;
    QTest::sendKeyEvent(QTest::Press, target, key, text, Qt::NoModifier);
    // The press may have moved the focus (an editor opened, a box left, a dialog
    // closed): the release goes where the focus is now.
    if (QWidget* now = keyboardTarget(fallback))
        QTest::sendKeyEvent(QTest::Release, now, key, text, Qt::NoModifier);
}

void activate(QWindow* window) {
    QWindowSystemInterface::handleWindowActivated<QWindowSystemInterface::SynchronousDelivery>(
        window, Qt::ActiveWindowFocusReason);
}

} // namespace user_input
