#include "user_actions.h"

#include "app/main_window.h"
#include "app/suite.h"
#include "dialogs/connection_dialog.h"
#include "dialogs/ping_test_window.h"
#include "network/network_window.h"
#include "network/query_grid.h"
#include "spectrum/spectrum_window.h"
#include "support/fakes.h"

#include <qpa/qwindowsysteminterface.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QKeySequence>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolBar>
#include <array>

namespace {

// Input only reaches what the user could reach: a widget shown and enabled.
bool reachable(const QWidget* widget) {
    return widget && widget->isVisible() && widget->isEnabled();
}

void click(QWidget* widget, QPoint at = {}) {
    if (reachable(widget))
        QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier,
                          at.isNull() ? widget->rect().center() : at);
}

// Where the keyboard goes: the focus widget, else the active window, else `fallback`.
// Offscreen a closed popup can keep the focus; keys cannot reach a hidden widget.
QWidget* keyboardTarget(QWidget* fallback) {
    if (QWidget* focus = QApplication::focusWidget(); focus && focus->isVisible())
        return focus;
    QWidget* active = QApplication::activeWindow();
    return active && active->isVisible() ? active : fallback;
}

void pressKey(QWidget* fallback, Qt::Key key, const QString& text = {}) {
    QTest::sendKeyEvent(QTest::Press, keyboardTarget(fallback), key, text, Qt::NoModifier);
    // The press may have moved the focus (an editor opened, a dialog closed): the
    // release goes where the focus is now.
    QTest::sendKeyEvent(QTest::Release, keyboardTarget(fallback), key, text, Qt::NoModifier);
}

QString plain(QString text) {
    return text.remove(QLatin1Char('&'));
}

QString describe(const QWidget* widget) {
    const auto* button = qobject_cast<const QAbstractButton*>(widget);
    return !widget ? QStringLiteral("nothing")
                   : QStringLiteral("%1 \"%2\"")
                         .arg(QLatin1String(widget->metaObject()->className()),
                              button ? button->text() : widget->windowTitle());
}

QPushButton* buttonNamed(QWidget* parent, const QString& text) {
    for (QPushButton* button : parent->findChildren<QPushButton*>())
        if (plain(button->text()) == text)
            return button;
    return nullptr;
}

// The child windows the user sees (closed ones are hidden until destroyed).
QMdiSubWindow* visibleSubWindow(const QWidget* window, quint32 a) {
    QList<QMdiSubWindow*> open;
    for (QMdiSubWindow* sub : window->findChild<QMdiArea*>()->subWindowList())
        if (sub->isVisible())
            open << sub;
    return open.isEmpty() ? nullptr : open.at(static_cast<int>(a % open.size()));
}

// The keys that mean something somewhere: the spectrum window's (F1 .. F7, Left,
// Right: the first nine), the grid's and the dialogs'.
const std::pair<Qt::Key, const char*> kKeys[] = {
    {Qt::Key_F1, ""},    {Qt::Key_F2, ""},         {Qt::Key_F3, ""},
    {Qt::Key_F4, ""},    {Qt::Key_F5, ""},         {Qt::Key_F6, ""},
    {Qt::Key_F7, ""},    {Qt::Key_Left, ""},       {Qt::Key_Right, ""},
    {Qt::Key_Up, ""},    {Qt::Key_Down, ""},       {Qt::Key_Return, "\r"},
    {Qt::Key_Tab, "\t"}, {Qt::Key_Escape, "\x1b"}, {Qt::Key_Backspace, "\b"},
};
const char kTypedCharacters[] = "ab7 Z.-0x";

} // namespace

UserActions::UserActions(MonkeyTarget& target) : t_(target) {
    MainWindow* w = &t_.window;
    // An action on the Network Query window, when it is open.
    const auto network = [w](const char* name, double weight,
                             std::function<void(NetworkWindow&, quint32, quint32)> act) {
        return Kind{name, weight, [w, act](quint32 a, quint32 b) {
                        if (NetworkWindow* window = w->networkWindow())
                            act(*window, a, b);
                    }};
    };
    const auto networkButton = [this, network](const char* name, double weight, const char* text) {
        return network(name, weight, [this, text](NetworkWindow& n, quint32, quint32) {
            clickOn(buttonNamed(&n, QLatin1String(text)));
        });
    };
    const auto recording = [this](quint32 b) {
        return t_.recordings.at(static_cast<int>(b % t_.recordings.size()));
    };
    kinds_ = {
        // The transport tool bar and the display toggles.
        {"play", 8,
         [=, this](quint32, quint32) { clickTool(QStringLiteral("Play"), w->playAction()); }},
        {"stop", 6, [=, this](quint32, quint32) { clickStop(); }},
        {"pause", 5,
         [=, this](quint32, quint32) { clickTool(QStringLiteral("Pause"), w->pauseAction()); }},
        {"record", 6,
         [=, this](quint32 a, quint32 b) {
             // The save dialog: a new file mostly, now and then an earlier one (replaced)
             // or none (cancelled); then the question whether to append.
             const QString file = a % 8 == 0 ? QString()
                                  : a % 8 == 1 && !t_.recordings.isEmpty()
                                      ? recording(b)
                                      : QStringLiteral("%1/run%2.%3")
                                            .arg(t_.folder)
                                            .arg(++recordingsMade_)
                                            .arg(t_.suite.settings.MeterTest == 1 ? "san" : "ban");
             using Answer = MessageBoxes::Answer;
             t_.messages.answer = std::array{Answer::Yes, Answer::No, Answer::Cancel}[b % 3];
             t_.dialogs.saveAnswer = file;
             if (!file.isEmpty() && !t_.recordings.contains(file))
                 t_.recordings << file;
             clickTool(QStringLiteral("Record (saving %1, then %2)")
                           .arg(QFileInfo(file).fileName(),
                                QStringLiteral("Yes,No,Cancel").section(',', b % 3, b % 3)),
                       w->recordAction());
         }},
        {"load file", 3,
         [=, this](quint32 a, quint32 b) {
             t_.dialogs.openAnswer = a % 8 == 1 ? t_.folder + QStringLiteral("/missing.ban")
                                     : a % 8 != 0 && !t_.recordings.isEmpty() ? recording(b)
                                                                              : QString();
             clickTool(QStringLiteral("Load File (opening %1)")
                           .arg(QFileInfo(t_.dialogs.openAnswer).fileName()),
                       w->loadFileAction());
         }},
        {"display toggle", 3,
         [=, this](quint32 a, quint32) {
             const QList<QAction*> toggles =
                 w->findChild<QToolBar*>(QStringLiteral("Toolbar2"))->actions();
             QAction* toggle = toggles.at(static_cast<int>(a % toggles.size()));
             clickTool(toggle->text(), toggle);
         }},
        {"source selector", 3,
         [=, this](quint32 a, quint32) { arrowOn(w->sourceSelector(), a % 2); }},

        // The Network Query window.
        network("test option", 4,
                [=, this](NetworkWindow& n, quint32 a, quint32) { clickOn(n.testOption(a % 2)); }),
        network("meter option", 2,
                [=, this](NetworkWindow& n, quint32 a, quint32) { clickOn(n.meterOption(a % 2)); }),
        networkButton("run query", 4, "Run Query"),
        networkButton("stop query", 3, "Stop Query"),
        networkButton("clear results", 1, "Clear Results"),
        network("save or load query", 1,
                [=, this](NetworkWindow& n, quint32 a, quint32) {
                    // Query files of their own: never a recording that the checks compare.
                    t_.dialogs.saveAnswer = t_.dialogs.openAnswer = t_.folder + "/query.csv";
                    clickOn(buttonNamed(&n, a % 2 ? "Save Query" : "Load Query"));
                }),
        network("grid click", 3,
                [=, this](NetworkWindow& n, quint32 a, quint32 b) {
                    QueryGrid* grid = n.grid();
                    const int row = static_cast<int>(a % std::max(1, grid->rowCount()));
                    // The description column most often: that is where the user types.
                    const int column = b % 2 ? QueryGrid::kDescriptionColumn - 1
                                             : static_cast<int>(b / 2 % grid->columnCount());
                    const QRect cell = grid->visualRect(grid->model()->index(row, column));
                    if (!cell.isValid() || !grid->viewport()->rect().contains(cell.center()))
                        return;
                    say(QStringLiteral("click grid cell row %1 column %2").arg(row).arg(column));
                    click(grid->viewport(), cell.center());
                }),
        network(
            "radio selector", 2,
            [=, this](NetworkWindow& n, quint32 a, quint32) { arrowOn(n.radioSelector(), a % 2); }),
        network("retries box", 1,
                [=, this](NetworkWindow& n, quint32 a, quint32 b) {
                    // Digits after the text there (or instead of it), then Tab leaves.
                    QLineEdit* box = n.retriesBox();
                    clickOn(box, QStringLiteral("retries box, %1type %2, Tab")
                                     .arg(b % 2 ? "" : "clear, ")
                                     .arg(a % 1000));
                    for (int i = 0; b % 2 == 0 && i < 6 && box->hasFocus(); ++i)
                        pressKey(box, Qt::Key_Backspace, QStringLiteral("\b"));
                    for (QChar digit : QString::number(a % 1000))
                        pressKey(box, static_cast<Qt::Key>(digit.unicode()), digit);
                    pressKey(box, Qt::Key_Tab, QStringLiteral("\t"));
                }),

        // The keyboard.
        {"keys", 9,
         [=, this](quint32 a, quint32 b) {
             // Mostly the spectrum window's keys (the first nine), now and then after a
             // click on its picture, which gives it the keyboard.
             SpectrumWindow* spectrum = w->spectrumWindow();
             if (QWidget* picture = spectrum ? spectrum->findChild<QWidget*>() : nullptr;
                 picture && a % 3 == 0)
                 clickOn(picture, QStringLiteral("click the spectrum picture"));
             const auto& [key, text] = kKeys[b % (a % 3 == 1 ? std::size(kKeys) : 9)];
             say(QStringLiteral("key ") + QKeySequence(key).toString());
             pressKey(w, key, QLatin1String(text));
         }},
        {"typing", 4,
         [=, this](quint32 a, quint32 b) {
             // A few characters where the focus is (the grid opens its editor for them in
             // the description column), sometimes ended with Enter or Left.
             QString text;
             for (quint32 n = 0; n <= a % 3; ++n)
                 text +=
                     QLatin1Char(kTypedCharacters[(a / 3 + n * 7) % (sizeof kTypedCharacters - 1)]);
             say(QStringLiteral("type \"%1\", then %2, into %3")
                     .arg(text, QStringLiteral("Enter,Left,-,-").section(',', b % 4, b % 4),
                          describe(keyboardTarget(w))));
             for (QChar c : text)
                 pressKey(w, static_cast<Qt::Key>(c.toUpper().unicode()), c);
             if (b % 4 < 2)
                 pressKey(w, b % 4 ? Qt::Key_Left : Qt::Key_Return, b % 4 ? "" : "\r");
         }},

        // Windows, menus and dialogs.
        {"open dialog", 4,
         [=, this](quint32 a, quint32) {
             const char* const entries[][2] = {{"Settings", "Settings"}, {"Settings", "Colors"},
                                               {"Help", "About"},        {"Window", "Ping Test"},
                                               {"Help", "Help"},         {"Window", "Repaint All"}};
             const auto& e = entries[a % std::size(entries)];
             menu(QLatin1String(e[0]), QLatin1String(e[1]));
         }},
        {"picture or report", 1,
         [=, this](quint32 a, quint32) {
             // Files of their own beside the recordings: never one the checks compare.
             const char* const entries[][3] = {{"File", "Save Picture...", "/picture.png"},
                                               {"Edit", "Copy Picture", ""},
                                               {"File", "Save Report...", "/site.html"}};
             const auto& e = entries[a % std::size(entries)];
             t_.dialogs.saveAnswer = t_.folder + QLatin1String(e[2]);
             menu(QLatin1String(e[0]), QLatin1String(e[1]));
         }},
        {"answer dialog", 5, [=, this](quint32 a, quint32 b) { answerDialog(a, b); }},
        {"close or activate window", 5,
         [=, this](quint32 a, quint32 b) {
             // A click on a child window's title bar makes it the active one.
             if (QMdiSubWindow* sub = visibleSubWindow(w, a); sub && b % 2) {
                 say(QStringLiteral("close ") + describe(sub));
                 sub->close();
             } else if (sub) {
                 say(QStringLiteral("click the title of ") + describe(sub));
                 click(sub, QPoint(sub->width() / 2, 6));
             }
         }},
        // The desktop hands the activation to another program, or back to the suite.
        {"leave or come back", 4,
         [=, this](quint32 a, quint32) {
             say(a % 2 ? QStringLiteral("leave for another program") : QStringLiteral("come back"));
             QWindowSystemInterface::handleWindowActivated<
                 QWindowSystemInterface::SynchronousDelivery>(a % 2 ? nullptr : w->windowHandle(),
                                                              Qt::ActiveWindowFocusReason);
         }},
    };
}

void UserActions::clickOn(QWidget* widget, const QString& what) {
    say(what.isEmpty() ? QStringLiteral("click ") + describe(widget) : what);
    click(widget);
}

void UserActions::escapeTo(QWidget* widget) {
    say(QStringLiteral("Escape to ") + describe(widget));
    pressKey(widget, Qt::Key_Escape, QStringLiteral("\x1b"));
}

void UserActions::clickTool(const QString& what, QAction* action) {
    for (QToolBar* bar : t_.window.findChildren<QToolBar*>())
        if (QWidget* button = bar->widgetForAction(action); reachable(button))
            return clickOn(button, QStringLiteral("click ") + what);
}

void UserActions::clickStop() {
    clickTool(QStringLiteral("Stop"), t_.window.stopAction());
}

// The keyboard on a selector: each arrow chooses the next entry.
void UserActions::arrowOn(QComboBox* selector, bool down) {
    if (!selector->isVisible())
        return;
    say(QStringLiteral("%1 on %2").arg(QLatin1String(down ? "Down" : "Up"), describe(selector)));
    selector->setFocus(Qt::TabFocusReason);
    pressKey(selector, down ? Qt::Key_Down : Qt::Key_Up);
}

// Opens the menu with a click on its title (a popup: this does not block), then
// clicks the entry, whose action may not return for a while; a missing or disabled
// entry closes the menu with Escape.
void UserActions::menu(const QString& title, const QString& entry) {
    QMenuBar* bar = t_.window.menuBar();
    for (QAction* item : bar->actions()) {
        QMenu* menu = item->menu();
        if (!menu || plain(item->text()) != title || !item->isEnabled() || !reachable(bar))
            continue;
        say(QStringLiteral("menu %1 > %2").arg(title, entry));
        click(bar, bar->actionGeometry(item).center());
        for (QAction* choice : menu->isVisible() ? menu->actions() : QList<QAction*>())
            if (plain(choice->text()) == entry && choice->isEnabled())
                return QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier,
                                         menu->actionGeometry(choice).center());
        if (menu->isVisible())
            QTest::keyClick(menu, Qt::Key_Escape);
    }
}

void UserActions::acceptPortSelectOnSerialPort() {
    QPointer<ConnectionDialog> dialog = t_.window.findChild<ConnectionDialog*>();
    if (!dialog || !dialog->isVisible())
        return;
    clickOn(dialog->linkChoice(0));
    if (dialog) // the click may have closed it
        clickOn(buttonNamed(dialog, QStringLiteral("OK")));
}

bool UserActions::answerModalDialog(quint32 a) {
    QWidget* modal = QApplication::activeModalWidget();
    auto* box = modal ? modal->findChild<QDialogButtonBox*>() : nullptr;
    if (QPushButton* button =
            box ? box->button(a % 2 ? QDialogButtonBox::Cancel : QDialogButtonBox::Ok) : nullptr)
        clickOn(button);
    else if (modal)
        escapeTo(modal);
    return modal;
}

void UserActions::answerDialog(quint32 a, quint32 b) {
    // One of the dialogs, or the one tool window left with buttons: a click on one of
    // its buttons (OK, Cancel, a choice, a swatch), or Escape.
    QList<QWidget*> open;
    for (QDialog* dialog : t_.window.findChildren<QDialog*>())
        if (dialog->isVisible() && dialog->isWindow())
            open << dialog;
    if (PingTestWindow* ping = t_.window.pingTestWindow())
        open << ping;
    QWidget* dialog = open.isEmpty() ? nullptr : open.at(static_cast<int>(a % open.size()));
    QList<QAbstractButton*> buttons;
    for (QAbstractButton* button : dialog ? dialog->findChildren<QAbstractButton*>() : buttons)
        if (reachable(button))
            buttons << button;
    if (const auto pick = static_cast<int>(b % (buttons.size() + 1)); pick < buttons.size())
        clickOn(buttons.at(pick));
    else if (dialog)
        escapeTo(dialog);
}
