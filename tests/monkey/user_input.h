#pragma once

#include <QPoint>
#include <QString>
#include <Qt>

class QAbstractButton;
class QAction;
class QMenuBar;
class QTableWidget;
class QToolBar;
class QWidget;

// Input as the user gives it: QTest mouse clicks and key presses delivered to the
// real widgets, only to widgets the user could reach (shown and enabled). Each
// returns false when there was nothing to click.
class QWindow;

namespace user_input {

// A left click at `at` (the centre when null).
bool click(QWidget* widget, QPoint at = {});
// The tool button of `action` in `bar`.
bool clickToolButton(QToolBar* bar, QAction* action);
bool clickButton(QAbstractButton* button);
// Opens `menu` on the menu bar with a click on its title, then clicks `entry` in it.
// An entry that is missing or disabled closes the menu with Escape.
bool chooseMenuEntry(QMenuBar* bar, const QString& menu, const QString& entry);
// The cell (table row and column) of a table: a click in the middle of it.
bool clickCell(QTableWidget* table, int row, int column);
// A key pressed and released where the keyboard focus is (the active window when no
// widget has it, `fallback` when no window is active either).
void pressKey(QWidget* fallback, Qt::Key key, const QString& text = {});
// The widget that has the keyboard focus now (or the active window, or `fallback`).
QWidget* keyboardTarget(QWidget* fallback);
// The desktop hands the activation to `window` (none: the user went to another
// program), as the window system reports it.
void activate(QWindow* window);

} // namespace user_input
