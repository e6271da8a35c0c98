#include "user_actions.h"

#include "app/main_window.h"
#include "app/suite.h"
#include "dialogs/about_box.h"
#include "dialogs/colour_dialog.h"
#include "dialogs/connection_dialog.h"
#include "dialogs/ping_test_window.h"
#include "monkey_target.h"
#include "network/network_window.h"
#include "network/query_grid.h"
#include "spectrum/spectrum_window.h"
#include "support/fakes.h"
#include "user_input.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QToolBar>

using user_input::click;
using user_input::clickButton;

namespace {

using Step = UserActions::Step;

QPushButton* buttonNamed(QWidget* parent, const QString& text) {
    if (!parent)
        return nullptr;
    for (QPushButton* button : parent->findChildren<QPushButton*>())
        if (button->text().remove(QLatin1Char('&')) == text)
            return button;
    return nullptr;
}

template <typename T> QPointer<T> guarded(T* widget) {
    return QPointer<T>(widget);
}

// The keys that mean something somewhere: the spectrum window's, the grid's and the
// dialogs'.
struct KeyChoice {
    Qt::Key key;
    const char* text;
    const char* name;
};
const KeyChoice kKeys[] = {
    {Qt::Key_F1, "", "F1"},
    {Qt::Key_F2, "", "F2"},
    {Qt::Key_F3, "", "F3"},
    {Qt::Key_F4, "", "F4"},
    {Qt::Key_F5, "", "F5"},
    {Qt::Key_F6, "", "F6"},
    {Qt::Key_F7, "", "F7"},
    {Qt::Key_Left, "", "Left"},
    {Qt::Key_Right, "", "Right"},
    {Qt::Key_Up, "", "Up"},
    {Qt::Key_Down, "", "Down"},
    {Qt::Key_Return, "\r", "Enter"},
    {Qt::Key_Tab, "\t", "Tab"},
    {Qt::Key_Escape, "\x1b", "Escape"},
    {Qt::Key_Backspace, "\b", "Backspace"},
};
constexpr int kSpectrumKeys = 9; // F1 .. F7, Left, Right
const char kTypedCharacters[] = "ab7 Z.-0x";

// The keyboard on a selector: each arrow chooses the next entry.
UserActions::Step arrowOnSelector(const QString& name, QComboBox* selector, bool down) {
    return Step{QStringLiteral("%1: %2 (now \"%3\" of %4)")
                    .arg(name, down ? QStringLiteral("Down") : QStringLiteral("Up"),
                         selector->currentText())
                    .arg(selector->count()),
                [selector = guarded(selector), down] {
                    if (!selector || !selector->isVisible())
                        return;
                    selector->setFocus(Qt::TabFocusReason);
                    user_input::pressKey(selector, down ? Qt::Key_Down : Qt::Key_Up);
                }};
}

// The child windows the user sees (closed ones are hidden until destroyed).
QList<QMdiSubWindow*> visibleSubWindows(const QWidget& window) {
    QList<QMdiSubWindow*> open;
    for (QMdiSubWindow* sub : window.findChild<QMdiArea*>()->subWindowList())
        if (sub->isVisible())
            open << sub;
    return open;
}

QString describeWidget(const QWidget* widget) {
    if (!widget)
        return QStringLiteral("nothing");
    QString name = QString::fromLatin1(widget->metaObject()->className());
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
        name += QStringLiteral(" \"%1\"").arg(button->text());
    else if (!widget->windowTitle().isEmpty() && widget->isWindow())
        name += QStringLiteral(" \"%1\"").arg(widget->windowTitle());
    return name;
}

} // namespace

UserActions::UserActions(MonkeyTarget& target) : t_(target) {
    addTransport();
    addNetworkWindow();
    addKeyboard();
    addWindowsAndDialogs();
}

void UserActions::add(const char* name, double weight,
                      std::function<Step(quint32, quint32)> prepare) {
    kinds_.push_back({QString::fromLatin1(name), weight, std::move(prepare)});
}

std::vector<double> UserActions::weights() const {
    std::vector<double> weights;
    for (const Kind& kind : kinds_)
        weights.push_back(kind.weight);
    return weights;
}

UserActions::Step UserActions::prepare(int kind, quint32 a, quint32 b) {
    return kinds_[static_cast<std::size_t>(kind)].prepare(a, b);
}

// ---------------------------------------------------------------------------
// The transport tool bar and the display toggles

UserActions::Step UserActions::clickToolbar(const char* what, int bar, QAction* action) {
    auto* toolbar = t_.window.findChild<QToolBar*>(bar == 1 ? QStringLiteral("Toolbar1")
                                                            : QStringLiteral("Toolbar2"));
    QWidget* button = toolbar ? toolbar->widgetForAction(action) : nullptr;
    if (!button || !button->isEnabled())
        return {QStringLiteral("%1 (not enabled)").arg(QLatin1String(what)), {}};
    return {QStringLiteral("click %1").arg(QLatin1String(what)),
            [button = guarded(button)] { click(button); }};
}

UserActions::Step UserActions::clickStop() {
    return clickToolbar("Stop", 1, t_.window.stopAction());
}

QString UserActions::newRecordingPath() {
    const QString suffix =
        t_.suite.settings.MeterTest == 1 ? QStringLiteral("san") : QStringLiteral("ban");
    return QStringLiteral("%1/run%2.%3").arg(t_.folder).arg(++recordingsMade_).arg(suffix);
}

void UserActions::addTransport() {
    add("play", 8,
        [this](quint32, quint32) { return clickToolbar("Play", 1, t_.window.playAction()); });
    add("stop", 6, [this](quint32, quint32) { return clickStop(); });
    add("pause", 5,
        [this](quint32, quint32) { return clickToolbar("Pause", 1, t_.window.pauseAction()); });
    add("record", 6, [this](quint32 a, quint32 b) {
        // The file dialog: a new file most of the time, sometimes an earlier one
        // (replaced), sometimes cancelled. The question whether to append (asked
        // when a recording is selected): Yes, No or Cancel.
        QString file;
        switch (a % 8) {
        case 0:
            break;
        case 1:
            if (!t_.recordings.isEmpty()) {
                file = t_.recordings.at(static_cast<int>(b % t_.recordings.size()));
                break;
            }
            [[fallthrough]];
        default:
            file = newRecordingPath();
            break;
        }
        const MessageBoxes::Answer answers[] = {MessageBoxes::Answer::Yes, MessageBoxes::Answer::No,
                                                MessageBoxes::Answer::Cancel};
        const MessageBoxes::Answer answer = answers[b % 3];
        const char* const answerNames[] = {"Yes", "No", "Cancel"};
        Step step = clickToolbar("Record", 1, t_.window.recordAction());
        step.what +=
            QStringLiteral(" (save dialog: %1; append question: %2)")
                .arg(file.isEmpty() ? QStringLiteral("cancelled") : QFileInfo(file).fileName(),
                     QLatin1String(answerNames[b % 3]));
        if (step.input)
            step.input = [this, file, answer, click = step.input] {
                t_.dialogs.saveAnswer = file;
                t_.messages.answer = answer;
                if (!file.isEmpty() && !t_.recordings.contains(file))
                    t_.recordings << file;
                click();
            };
        return step;
    });
    add("load file", 3, [this](quint32 a, quint32 b) {
        QString file;
        if (a % 8 == 1)
            file = t_.folder + QStringLiteral("/missing.ban");
        else if (a % 8 != 0 && !t_.recordings.isEmpty())
            file = t_.recordings.at(static_cast<int>(b % t_.recordings.size()));
        Step step = clickToolbar("Load File", 1, t_.window.loadFileAction());
        step.what +=
            QStringLiteral(" (open dialog: %1)")
                .arg(file.isEmpty() ? QStringLiteral("cancelled") : QFileInfo(file).fileName());
        if (step.input)
            step.input = [this, file, click = step.input] {
                t_.dialogs.openAnswer = file;
                click();
            };
        return step;
    });
    add("display toggle", 3, [this](quint32 a, quint32) {
        auto* toolbar = t_.window.findChild<QToolBar*>(QStringLiteral("Toolbar2"));
        const QList<QAction*> toggles = toolbar ? toolbar->actions() : QList<QAction*>();
        if (toggles.isEmpty())
            return Step{QStringLiteral("display toggle (no tool bar)"), {}};
        QAction* toggle = toggles.at(static_cast<int>(a % toggles.size()));
        const QByteArray name = toggle->text().toLatin1();
        return clickToolbar(name.constData(), 2, toggle);
    });
    add("source selector", 3, [this](quint32 a, quint32) {
        // The keyboard on the selector: each arrow chooses the next entry.
        QComboBox* selector = t_.window.sourceSelector();
        return arrowOnSelector(QStringLiteral("source selector"), selector, a % 2 == 0);
    });
}

// ---------------------------------------------------------------------------
// The Network Query window

void UserActions::addNetworkWindow() {
    const auto noWindow = [](const char* what) {
        return Step{QStringLiteral("%1 (no Network Query window)").arg(QLatin1String(what)), {}};
    };
    add("test option", 4, [this, noWindow](quint32 a, quint32) {
        NetworkWindow* network = t_.window.networkWindow();
        if (!network)
            return noWindow("test option");
        QRadioButton* option = network->testOption(static_cast<int>(a % 2));
        return Step{QStringLiteral("click test option \"%1\"").arg(option->text()),
                    [option = guarded(option)] { clickButton(option); }};
    });
    add("meter option", 2, [this, noWindow](quint32 a, quint32) {
        NetworkWindow* network = t_.window.networkWindow();
        if (!network)
            return noWindow("meter option");
        QRadioButton* option = network->meterOption(static_cast<int>(a % 2));
        return Step{QStringLiteral("click meter option \"%1\"").arg(option->text()),
                    [option = guarded(option)] { clickButton(option); }};
    });
    const auto networkButton = [this, noWindow](const char* text) {
        NetworkWindow* network = t_.window.networkWindow();
        if (!network)
            return noWindow(text);
        QPushButton* button = buttonNamed(network, QString::fromLatin1(text));
        return Step{QStringLiteral("click %1").arg(QLatin1String(text)),
                    [button = guarded(button)] { clickButton(button); }};
    };
    add("run query", 4, [networkButton](quint32, quint32) { return networkButton("Run Query"); });
    add("stop query", 3, [networkButton](quint32, quint32) { return networkButton("Stop Query"); });
    add("clear results", 1,
        [networkButton](quint32, quint32) { return networkButton("Clear Results"); });
    add("save or load query", 1, [this, networkButton](quint32 a, quint32) {
        Step step = networkButton(a % 2 ? "Save Query" : "Load Query");
        // Query files of their own: never a recording that the checks compare.
        if (step.input)
            step.input = [this, click = step.input] {
                t_.dialogs.saveAnswer = t_.dialogs.openAnswer =
                    t_.folder + QStringLiteral("/query.csv");
                click();
            };
        return step;
    });
    add("grid click", 3, [this, noWindow](quint32 a, quint32 b) {
        NetworkWindow* network = t_.window.networkWindow();
        if (!network)
            return noWindow("grid click");
        QueryGrid* grid = network->grid();
        const int row = static_cast<int>(a % static_cast<quint32>(std::max(1, grid->rowCount())));
        // The description column most often: that is where the user types.
        const int column = b % 2 ? QueryGrid::kDescriptionColumn - 1
                                 : static_cast<int>(b / 2 % grid->columnCount());
        return Step{QStringLiteral("click grid cell row %1 column %2").arg(row).arg(column),
                    [grid = guarded(grid), row, column] {
                        if (grid)
                            user_input::clickCell(grid, row, column);
                    }};
    });
    add("radio selector", 2, [this, noWindow](quint32 a, quint32) {
        NetworkWindow* network = t_.window.networkWindow();
        if (!network)
            return noWindow("radio selector");
        QComboBox* selector = network->radioSelector();
        return arrowOnSelector(QStringLiteral("radio selector"), selector, a % 2 == 0);
    });
    add("retries box", 1, [this, noWindow](quint32 a, quint32 b) {
        NetworkWindow* network = t_.window.networkWindow();
        if (!network)
            return noWindow("retries box");
        QLineEdit* box = network->retriesBox();
        // One to three digits after the text there, then Tab leaves the box.
        QString digits = QString::number(a % 1000);
        const bool clear = b % 2 == 0;
        return Step{
            QStringLiteral("retries box: %1\"%2\", Tab")
                .arg(clear ? QStringLiteral("clear, type ") : QStringLiteral("type "), digits),
            [box = guarded(box), digits, clear] {
                if (!click(box))
                    return;
                if (clear)
                    for (int i = 0; i < 6; ++i)
                        user_input::pressKey(box, Qt::Key_Backspace, QStringLiteral("\b"));
                for (QChar digit : digits)
                    user_input::pressKey(box, static_cast<Qt::Key>(digit.unicode()),
                                         QString(digit));
                user_input::pressKey(box, Qt::Key_Tab, QStringLiteral("\t"));
            }};
    });
}

// ---------------------------------------------------------------------------
// The keyboard

void UserActions::addKeyboard() {
    add("spectrum keys", 6, [this](quint32 a, quint32 b) {
        SpectrumWindow* spectrum = t_.window.spectrumWindow();
        const KeyChoice& key = kKeys[b % kSpectrumKeys];
        // Now and then a click on the picture first, which gives it the keyboard.
        const bool clickFirst = spectrum && a % 3 == 0;
        QWidget* picture = spectrum ? spectrum->findChild<QWidget*>() : nullptr;
        return Step{
            QStringLiteral("%1key %2 to %3")
                .arg(clickFirst ? QStringLiteral("click the spectrum picture, ") : QString(),
                     QLatin1String(key.name),
                     clickFirst ? QStringLiteral("it")
                                : describeWidget(user_input::keyboardTarget(&t_.window))),
            [this, picture = guarded(picture), clickFirst, key] {
                if (clickFirst && picture)
                    click(picture, QPoint(picture->width() / 3, picture->height() / 2));
                user_input::pressKey(&t_.window, key.key);
            }};
    });
    add("key", 3, [this](quint32 a, quint32) {
        const KeyChoice& key = kKeys[a % std::size(kKeys)];
        return Step{QStringLiteral("key %1 to %2")
                        .arg(QLatin1String(key.name),
                             describeWidget(user_input::keyboardTarget(&t_.window))),
                    [this, key] {
                        user_input::pressKey(&t_.window, key.key, QString::fromLatin1(key.text));
                    }};
    });
    add("typing", 4, [this](quint32 a, quint32 b) {
        // A few characters where the focus is (the grid opens its editor for them in
        // the description column), sometimes ended with Enter or Left.
        QString text;
        for (quint32 n = 0; n <= a % 3; ++n)
            text += QLatin1Char(kTypedCharacters[(a / 3 + n * 7) % (sizeof kTypedCharacters - 1)]);
        const int ending = static_cast<int>(b % 4); // 0 Enter, 1 Left, else nothing
        return Step{QStringLiteral("type \"%1\"%2 into %3")
                        .arg(text,
                             ending == 0   ? QStringLiteral(", Enter")
                             : ending == 1 ? QStringLiteral(", Left")
                                           : QString(),
                             describeWidget(user_input::keyboardTarget(&t_.window))),
                    [this, text, ending] {
                        for (QChar c : text)
                            user_input::pressKey(&t_.window,
                                                 static_cast<Qt::Key>(c.toUpper().unicode()),
                                                 QString(c));
                        if (ending == 0)
                            user_input::pressKey(&t_.window, Qt::Key_Return, QStringLiteral("\r"));
                        else if (ending == 1)
                            user_input::pressKey(&t_.window, Qt::Key_Left);
                    }};
    });
}

// ---------------------------------------------------------------------------
// Windows, menus and dialogs

UserActions::Step UserActions::openPortSelect() {
    return {QStringLiteral("menu Settings > Settings"), [this] {
                user_input::chooseMenuEntry(t_.window.menuBar(), QStringLiteral("Settings"),
                                            QStringLiteral("Settings"));
            }};
}

UserActions::Step UserActions::acceptPortSelectOnSerialPort() {
    ConnectionDialog* dialog = t_.window.findChild<ConnectionDialog*>();
    if (!dialog || !dialog->isVisible())
        return {};
    return {QStringLiteral("Port Select: click \"USB / COM Port\", click OK"),
            [dialog = guarded(dialog)] {
                if (!dialog)
                    return;
                clickButton(dialog->linkChoice(0));
                if (dialog)
                    clickButton(buttonNamed(dialog, QStringLiteral("OK")));
            }};
}

UserActions::Step UserActions::chooseFileExit() {
    return {QStringLiteral("menu File > Exit"), [this] {
                user_input::chooseMenuEntry(t_.window.menuBar(), QStringLiteral("File"),
                                            QStringLiteral("Exit"));
            }};
}

UserActions::Step UserActions::answerModalDialog(quint32 a) {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal)
        return {};
    auto* box = modal->findChild<QDialogButtonBox*>();
    QPushButton* button = nullptr;
    if (box)
        button = box->button(a % 2 ? QDialogButtonBox::Cancel : QDialogButtonBox::Ok);
    if (!button)
        return {QStringLiteral("Escape to the modal %1").arg(describeWidget(modal)),
                [modal = guarded(modal)] {
                    if (modal)
                        user_input::pressKey(modal, Qt::Key_Escape, QStringLiteral("\x1b"));
                }};
    return {QStringLiteral("click %1 in the modal %2")
                .arg(describeWidget(button), describeWidget(modal)),
            [button = guarded(button)] { clickButton(button); }};
}

UserActions::Step UserActions::answerDialog(quint32 a, quint32 b) {
    // The dialogs and the one tool window that is left with a button.
    QList<QWidget*> open;
    for (QDialog* dialog : t_.window.findChildren<QDialog*>())
        if (dialog->isVisible() && dialog->isWindow())
            open << dialog;
    if (PingTestWindow* ping = t_.window.pingTestWindow())
        open << ping;
    if (open.isEmpty())
        return {QStringLiteral("answer a dialog (none open)"), {}};
    QWidget* dialog = open.at(static_cast<int>(a % open.size()));

    if (auto* connection = qobject_cast<ConnectionDialog*>(dialog)) {
        QAbstractButton* button = nullptr;
        switch (b % 6) {
        case 0:
        case 1:
            button = buttonNamed(connection, QStringLiteral("OK"));
            break;
        case 2:
        case 3:
            button = buttonNamed(connection, QStringLiteral("Cancel"));
            break;
        case 4:
            button = connection->linkChoice(1); // TCP/IP: OK then connects to a device server
            break;
        default:
            button = connection->linkChoice(0);
            break;
        }
        return {QStringLiteral("Port Select: click %1").arg(describeWidget(button)),
                [button = guarded(button)] { clickButton(button); }};
    }
    if (auto* colours = qobject_cast<ColourDialog*>(dialog)) {
        if (b % 3 == 0) {
            QPushButton* swatch = colours->swatch(static_cast<int>(b / 3 % ColourDialog::kColours));
            return {QStringLiteral("Colors: click a swatch (the colour picker opens)"),
                    [swatch = guarded(swatch)] { clickButton(swatch); }};
        }
        return {QStringLiteral("Colors: Escape"), [colours = guarded(colours)] {
                    if (colours)
                        user_input::pressKey(colours, Qt::Key_Escape, QStringLiteral("\x1b"));
                }};
    }
    if (auto* about = qobject_cast<AboutBox*>(dialog)) {
        if (b % 2 == 0)
            return {QStringLiteral("About: click OK"),
                    [button = guarded(about->okButton())] { clickButton(button); }};
        return {QStringLiteral("About: Escape"), [about = guarded(about)] {
                    if (about)
                        user_input::pressKey(about, Qt::Key_Escape, QStringLiteral("\x1b"));
                }};
    }
    if (auto* ping = qobject_cast<PingTestWindow*>(dialog)) {
        QAbstractButton* button = b % 3 == 0   ? static_cast<QAbstractButton*>(ping->createButton())
                                  : b % 3 == 1 ? ping->viewOption(0)
                                               : ping->viewOption(1);
        return {QStringLiteral("Ping Test: click %1").arg(describeWidget(button)),
                [button = guarded(button)] { clickButton(button); }};
    }
    return {QStringLiteral("Escape to %1").arg(describeWidget(dialog)), [dialog = guarded(dialog)] {
                if (dialog)
                    user_input::pressKey(dialog, Qt::Key_Escape, QStringLiteral("\x1b"));
            }};
}

void UserActions::addWindowsAndDialogs() {
    add("open dialog", 4, [this](quint32 a, quint32) {
        struct Entry {
            const char* menu;
            const char* entry;
        };
        const Entry entries[] = {{"Settings", "Settings"}, {"Settings", "Colors"},
                                 {"Help", "About"},        {"Window", "Ping Test"},
                                 {"Help", "Help"},         {"Window", "Repaint All"}};
        const Entry& e = entries[a % std::size(entries)];
        return Step{
            QStringLiteral("menu %1 > %2").arg(QLatin1String(e.menu), QLatin1String(e.entry)),
            [this, e] {
                user_input::chooseMenuEntry(t_.window.menuBar(), QString::fromLatin1(e.menu),
                                            QString::fromLatin1(e.entry));
            }};
    });
    add("picture or report", 1, [this](quint32 a, quint32) {
        // Files of their own beside the recordings: never one that the checks compare.
        const char* const entries[][3] = {{"File", "Save Picture...", "/picture.png"},
                                          {"Edit", "Copy Picture", ""},
                                          {"File", "Save Report...", "/site.html"}};
        const auto& e = entries[a % std::size(entries)];
        return Step{QStringLiteral("menu %1 > %2").arg(QLatin1String(e[0]), QLatin1String(e[1])),
                    [this, e] {
                        t_.dialogs.saveAnswer = t_.folder + QLatin1String(e[2]);
                        user_input::chooseMenuEntry(t_.window.menuBar(), QLatin1String(e[0]),
                                                    QLatin1String(e[1]));
                    }};
    });
    add("answer dialog", 5, [this](quint32 a, quint32 b) { return answerDialog(a, b); });
    add("close window", 3, [this](quint32 a, quint32) {
        const QList<QMdiSubWindow*> open = visibleSubWindows(t_.window);
        if (open.isEmpty())
            return Step{QStringLiteral("close a window (none open)"), {}};
        QMdiSubWindow* sub = open.at(static_cast<int>(a % open.size()));
        return Step{QStringLiteral("close the window \"%1\"").arg(sub->windowTitle()),
                    [sub = guarded(sub)] {
                        if (sub)
                            sub->close();
                    }};
    });
    add("activate window", 2, [this](quint32 a, quint32) {
        // A click on a child window's title bar makes it the active one.
        const QList<QMdiSubWindow*> open = visibleSubWindows(t_.window);
        if (open.isEmpty())
            return Step{QStringLiteral("activate a window (none open)"), {}};
        QMdiSubWindow* sub = open.at(static_cast<int>(a % open.size()));
        return Step{QStringLiteral("click the title of \"%1\"").arg(sub->windowTitle()),
                    [sub = guarded(sub)] {
                        if (sub)
                            click(sub, QPoint(sub->width() / 2, 6));
                    }};
    });
    add("leave program", 2, [](quint32, quint32) {
        return Step{QStringLiteral("leave the suite for another program"),
                    [] { user_input::activate(nullptr); }};
    });
    add("come back", 2, [this](quint32, quint32) {
        return Step{QStringLiteral("come back to the suite"),
                    [this] { user_input::activate(t_.window.windowHandle()); }};
    });
}
