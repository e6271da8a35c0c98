// The seeded monkey: the whole suite with its real main window (offscreen) on a fresh
// rm7700-emu, driven by random real clicks and keys with radio faults in between,
// checking what must hold whatever the user does:
// - the event loop never stalls for more than a second (a 50 ms timer notes how late
//   it comes and re-arms an alarm that, when the loop has not turned for 10 s, prints
//   the actions and ends the run, so that a hang is reported instead of timing out);
// - a recording that has ended holds 16 bytes for every record counted;
// - every 8 to 20 s the faults stop and Stop brings the radio back to normal mode
//   within 5 s (the radio check);
// - at the end File > Exit finishes within 5 s and leaves the radio in normal mode
//   with its own address as destination (the exit check);
// - and nothing crashes.
// Every action is logged (kept in options.logPath) so that a failed run can be
// replayed (monkey_options.h); a failure, a crash or a hang prints the seed, the
// replay line and the last actions.

#include "monkey_options.h"

#include "dialogs/connection_dialog.h"
#include "dialogs/ping_test_window.h"
#include "network/network_window.h"
#include "network/query_grid.h"
#include "recording/recorder.h"
#include "spectrum/spectrum_window.h"
#include "support/main_window_fixture.h"

#include <qpa/qwindowsysteminterface.h>

#include <QTest>
#include <QtWidgets>
#include <csignal>
#include <deque>
#include <fcntl.h>
#include <random>
#include <set>
#include <unistd.h>

// Set only in a sanitizer build.
extern "C" void __sanitizer_set_death_callback(void (*)()) __attribute__((weak));

namespace {

// What the monkey has done, so that a failed run can be replayed: the seed and the
// replay line, then one line per action ("+12.345 s #57 [1] click Play": time since
// the start, number, how many inputs had not returned beneath it, what was done).
struct {
    std::string header, path, text;
    QString prefix; // of the input being given: "#57 [1] "
    QElapsedTimer clock;
} actionLog;
volatile std::sig_atomic_t crashReported = 0;

// Logs what is about to be done, after the number of the input it belongs to.
void say(const QString& what, const QString& prefix = actionLog.prefix) {
    actionLog.text += QStringLiteral("+%1 s %2%3\n")
                          .arg(static_cast<double>(actionLog.clock.elapsed()) / 1000.0, 0, 'f', 3)
                          .arg(prefix, what)
                          .toStdString();
}

// All the writing of the log: the header, the actions from `from` on, then `ending`.
// Only what is formatted already, with write(): the crash handlers call it too.
void writeLog(int fd, std::size_t from = 0, std::string_view ending = {}) {
    for (std::string_view part : {std::string_view(actionLog.header),
                                  std::string_view(actionLog.text).substr(from), ending})
        while (fd >= 0 && !part.empty()) {
            const ssize_t written = ::write(fd, part.data(), part.size());
            part.remove_prefix(written > 0 ? static_cast<std::size_t>(written) : part.size());
        }
}
void saveLog(std::string_view ending = {}) {
    const int fd = ::open(actionLog.path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    writeLog(fd, 0, ending);
    ::close(fd);
}
void writeLogForCrash(std::string_view ending = "MONKEY CRASH after the actions above\n") {
    if (crashReported)
        return;
    crashReported = 1;
    writeLog(2, 0, ending);
    saveLog(ending);
}

void startLog(const MonkeyOptions& options) {
    actionLog.header =
        QStringLiteral("monkey seed %1\nreplay: VELTRANE_MONKEY_SEED=%1 "
                       "VELTRANE_MONKEY_SECONDS=%2 VELTRANE_MONKEY_SKIP='%3' test_monkey\n")
            .arg(QString::number(options.seed), QString::number(options.seconds),
                 options.skipped.join(','))
            .toStdString();
    actionLog.path = QFileInfo(options.logPath).absoluteFilePath().toStdString();
    // Reserved, so that appending rarely moves the text a crash handler may write.
    actionLog.text.reserve(8u << 20);
    actionLog.clock.start();
    // A stack overflow (waits nested too deeply) leaves no stack for the handler.
    static char handlerStack[1 << 16];
    const stack_t alternate{handlerStack, 0, sizeof handlerStack};
    sigaltstack(&alternate, nullptr);
    struct sigaction action = {};
    // Writes the log and returns: the handler is reset to the default, so the
    // faulting instruction (or abort's own second raise) ends the process as before.
    action.sa_handler = [](int signal) {
        writeLogForCrash(signal == SIGALRM ? "MONKEY HANG: the event loop stopped for 10 s\n"
                                           : "MONKEY CRASH after the actions above\n");
        raise(signal); // now to the default action, once this handler returns
    };
    action.sa_flags = SA_RESETHAND | SA_ONSTACK;
    // Qt's and the program's own aborts (qFatal, a failed assertion, the hang watch).
    for (int signal : {SIGABRT, SIGALRM})
        sigaction(signal, &action, nullptr);
    // A sanitizer reports memory errors itself, then calls this on its way out.
    if (__sanitizer_set_death_callback)
        return __sanitizer_set_death_callback([] { writeLogForCrash(); });
    for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL})
        sigaction(signal, &action, nullptr);
}

// Input only reaches what the user could reach: a widget shown and enabled.
bool reachable(const QWidget* widget) {
    return widget && widget->isVisible() && widget->isEnabled();
}

QString describe(const QWidget* widget) {
    const auto* button = qobject_cast<const QAbstractButton*>(widget);
    return !widget ? QStringLiteral("nothing")
                   : QStringLiteral("%1 \"%2\"")
                         .arg(QLatin1String(widget->metaObject()->className()),
                              button ? button->text() : widget->windowTitle());
}

// Says `what` (by default: which widget), then clicks the widget at `at` (by default
// in its middle).
void click(QWidget* widget, const QString& what = {}, QPoint at = {}) {
    say(what.isEmpty() ? "click " + describe(widget) : what);
    if (reachable(widget))
        QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier,
                          at.isNull() ? widget->rect().center() : at);
}

// One of `list` chosen by `a`; none when it is empty.
template <class T> T oneOf(const QList<T>& list, quint32 a) {
    return list.isEmpty() ? T() : list.at(static_cast<int>(a % list.size()));
}

// Where the keyboard goes: the focus widget, else the active window, else `fallback`.
// Offscreen a closed popup can keep the focus; keys cannot reach a hidden widget.
QWidget* keyboardTarget(QWidget* fallback) {
    if (QWidget* focus = QApplication::focusWidget(); focus && focus->isVisible())
        return focus;
    QWidget* active = QApplication::activeWindow();
    return active && active->isVisible() ? active : fallback;
}

// A key (Qt::Key) or a character (char), with the text QTest gives it.
template <class Key> void pressKey(QWidget* fallback, Key key) {
    QTest::keyEvent(QTest::Press, keyboardTarget(fallback), key);
    // The press may have moved the focus (an editor opened, a dialog closed): the
    // release goes where the focus is now.
    QTest::keyEvent(QTest::Release, keyboardTarget(fallback), key);
}

void escapeTo(QWidget* widget) {
    say("Escape to " + describe(widget));
    pressKey(widget, Qt::Key_Escape);
}

QPushButton* buttonNamed(QWidget* parent, const QString& text) {
    for (QPushButton* button : parent->findChildren<QPushButton*>())
        if (button->text().remove('&') == text)
            return button;
    return nullptr;
}

void clickTool(MainWindow& window, const QString& what, QAction* action) {
    for (QToolBar* bar : window.findChildren<QToolBar*>())
        if (QWidget* button = bar->widgetForAction(action); reachable(button))
            return click(button, "click " + what);
}

// The keyboard on a selector: each arrow chooses the next entry.
void arrowOn(QComboBox* selector, bool down) {
    if (!selector->isVisible())
        return;
    say(QStringLiteral("%1 on %2").arg(QLatin1String(down ? "Down" : "Up"), describe(selector)));
    selector->setFocus(Qt::TabFocusReason);
    pressKey(selector, down ? Qt::Key_Down : Qt::Key_Up);
}

// Opens the menu with a click on its title (a popup: this does not block), then
// clicks the entry, whose action may not return for a while; a missing or disabled
// entry closes the menu with Escape.
void menu(MainWindow& window, const QString& title, const QString& entry) {
    QMenuBar* bar = window.menuBar();
    for (QAction* item : bar->actions()) {
        QMenu* menu = item->menu();
        if (!menu || item->text().remove('&') != title || !item->isEnabled() || !reachable(bar))
            continue;
        click(bar, QStringLiteral("menu %1 > %2").arg(title, entry),
              bar->actionGeometry(item).center());
        for (QAction* choice : menu->isVisible() ? menu->actions() : QList<QAction*>())
            if (choice->text().remove('&') == entry && choice->isEnabled())
                return QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier,
                                         menu->actionGeometry(choice).center());
        if (menu->isVisible())
            QTest::keyClick(menu, Qt::Key_Escape);
    }
}

// The answer to the modal dialog in front (the user cannot reach anything else while
// it is open): OK or Cancel, or Escape; false when none is open.
bool answerModalDialog(quint32 a) {
    QWidget* modal = QApplication::activeModalWidget();
    auto* box = modal ? modal->findChild<QDialogButtonBox*>() : nullptr;
    if (QPushButton* button =
            box ? box->button(a % 2 ? QDialogButtonBox::Cancel : QDialogButtonBox::Ok) : nullptr)
        click(button);
    else if (modal)
        escapeTo(modal);
    return modal;
}

// The keys that mean something somewhere: the spectrum window's (F1 .. F7, Left,
// Right: the first nine), the grid's and the dialogs'.
const Qt::Key kKeys[] = {Qt::Key_F1,    Qt::Key_F2,     Qt::Key_F3,       Qt::Key_F4,
                         Qt::Key_F5,    Qt::Key_F6,     Qt::Key_F7,       Qt::Key_Left,
                         Qt::Key_Right, Qt::Key_Up,     Qt::Key_Down,     Qt::Key_Return,
                         Qt::Key_Tab,   Qt::Key_Escape, Qt::Key_Backspace};

// A fault of the radio or its line, chosen by `a`, its strength and length by `b`:
// silence, junk before every reply, replies in pieces, late replies (each ended by
// `off` after 0.3 to 4 s), the link dropped (back on a new pseudo-terminal behind the
// same symlink), stray bytes.
const struct {
    const char *on, *off;
    quint32 from, range;
} kFaults[] = {{"silent %1", "silent 0", 1, 1},
               {"garbage %1", "garbage 0", 1, 8},
               {"split %1", "split 1", 2, 3},
               {"late %1", "late 0", 100, 1500},
               {"drop %1", "", 200, 2800}};

// A field of the emulator's "state" reply ("ok mode=1 own=123456 dest=FFFFFF ...").
QString stateField(const QString& reply, const char* name) {
    return reply.section(QStringLiteral(" %1=").arg(QLatin1String(name)), 1).section(' ', 0, 0);
}

} // namespace

// Drives the suite with the user's input, each kind chosen with a weight and shaped by
// two random numbers (which button, which cell, which answer) against the windows as
// they are at that moment, and with the radio's faults.
struct Monkey : public QObject, public MainWindowOnEmulator {
    struct UserAction {
        const char* name;
        double weight;
        std::function<void(quint32, quint32)> act;
    };
    // A step of the radio check or the exit: `done` is asked every 100 ms until it
    // holds, or `limitMs` have passed: a failure.
    struct Stage {
        QString name;
        int limitMs;
        std::function<bool()> done;
    };
    enum class Phase { Random, Check, Exit };

    // Each says what it does before the real QTest clicks and keys, which may not
    // return for a long time (Play runs until Stop).
    std::vector<UserAction> userActions() {
        // An action on the Network Query window, when it is open.
        const auto network = [this](const char* name, double weight,
                                    std::function<void(NetworkWindow&, quint32, quint32)> act) {
            return UserAction{name, weight, [this, act](quint32 a, quint32 b) {
                                  if (NetworkWindow* n = window->networkWindow())
                                      act(*n, a, b);
                              }};
        };
        // A click on one of its buttons named in `texts` ("A|B").
        const auto networkButton = [this, network](const char* name, double weight,
                                                   const char* texts) {
            return network(name, weight, [this, texts](NetworkWindow& n, quint32 a, quint32) {
                // Query files of their own: never a recording that the checks compare.
                dialogs_.saveAnswer = dialogs_.openAnswer = dir.filePath("query.csv");
                click(buttonNamed(&n, oneOf(QString::fromLatin1(texts).split('|'), a)));
            });
        };
        return {
            // The transport tool bar and the display toggles.
            {"play", 8,
             [this](quint32, quint32) { clickTool(*window, "Play", window->playAction()); }},
            {"stop", 6,
             [this](quint32, quint32) { clickTool(*window, "Stop", window->stopAction()); }},
            {"pause", 5,
             [this](quint32, quint32) { clickTool(*window, "Pause", window->pauseAction()); }},
            {"record", 6,
             [this](quint32 a, quint32 b) {
                 // The save dialog: a new file mostly, now and then an earlier one
                 // (replaced) or none (cancelled); then the question whether to append.
                 const QString file =
                     a % 8 == 1 && !recordings_.isEmpty() ? oneOf(recordings_, b)
                     : a % 8
                         ? dir.filePath(QStringLiteral("run%1.%2")
                                            .arg(recordings_.size() + 1)
                                            .arg(suite->settings.MeterTest == 1 ? "san" : "ban"))
                         : QString();
                 using Answer = MessageBoxes::Answer;
                 messages.answer = std::array{Answer::Yes, Answer::No, Answer::Cancel}[b % 3];
                 dialogs_.saveAnswer = file;
                 if (!file.isEmpty() && !recordings_.contains(file))
                     recordings_ << file;
                 clickTool(*window,
                           QStringLiteral("Record (saving %1, then %2)")
                               .arg(QFileInfo(file).fileName(),
                                    QStringLiteral("Yes,No,Cancel").section(',', b % 3, b % 3)),
                           window->recordAction());
             }},
            {"load file", 3,
             [this](quint32 a, quint32 b) {
                 dialogs_.openAnswer = a % 8 == 1 ? dir.filePath(QStringLiteral("missing.ban"))
                                       : a % 8    ? oneOf(recordings_, b)
                                                  : QString();
                 clickTool(*window,
                           QStringLiteral("Load File (opening %1)")
                               .arg(QFileInfo(dialogs_.openAnswer).fileName()),
                           window->loadFileAction());
             }},
            {"display toggle", 3,
             [this](quint32 a, quint32) {
                 QAction* toggle =
                     oneOf(window->findChild<QToolBar*>(QStringLiteral("Toolbar2"))->actions(), a);
                 clickTool(*window, toggle->text(), toggle);
             }},
            {"source selector", 3,
             [this](quint32 a, quint32) { arrowOn(window->sourceSelector(), a % 2); }},

            // The Network Query window.
            network("test option", 4,
                    [](NetworkWindow& n, quint32 a, quint32) { click(n.testOption(a % 2)); }),
            network("meter option", 2,
                    [](NetworkWindow& n, quint32 a, quint32) { click(n.meterOption(a % 2)); }),
            networkButton("run query", 4, "Run Query"),
            networkButton("stop query", 3, "Stop Query"),
            networkButton("clear results", 1, "Clear Results"),
            networkButton("save or load query", 1, "Load Query|Save Query"),
            network(
                "grid click", 3,
                [](NetworkWindow& n, quint32 a, quint32 b) {
                    QueryGrid* grid = n.grid();
                    const int row = static_cast<int>(a % std::max(1, grid->rowCount()));
                    // The description column most often: that is where the user types.
                    const int column = b % 2 ? QueryGrid::kDescriptionColumn - 1
                                             : static_cast<int>(b / 2 % grid->columnCount());
                    const QRect cell = grid->visualRect(grid->model()->index(row, column));
                    if (cell.isValid() && grid->viewport()->rect().contains(cell.center()))
                        click(
                            grid->viewport(),
                            QStringLiteral("click grid cell row %1 column %2").arg(row).arg(column),
                            cell.center());
                }),
            network(
                "radio selector", 2,
                [](NetworkWindow& n, quint32 a, quint32) { arrowOn(n.radioSelector(), a % 2); }),
            network("retries box", 1,
                    [](NetworkWindow& n, quint32 a, quint32 b) {
                        // Digits after the text there (or instead of it), then Tab leaves.
                        QLineEdit* box = n.retriesBox();
                        click(box, QStringLiteral("retries box, %1type %2, Tab")
                                       .arg(b % 2 ? "" : "clear, ")
                                       .arg(a % 1000));
                        for (int i = 0; b % 2 == 0 && i < 6 && box->hasFocus(); ++i)
                            pressKey(box, Qt::Key_Backspace);
                        for (char digit : QByteArray::number(a % 1000))
                            pressKey(box, digit);
                        pressKey(box, Qt::Key_Tab);
                    }),

            // The keyboard.
            {"keys", 9,
             [this](quint32 a, quint32 b) {
                 // Mostly the spectrum window's keys (the first nine), now and then after
                 // a click on its picture, which gives it the keyboard.
                 SpectrumWindow* spectrum = window->spectrumWindow();
                 if (QWidget* picture = spectrum ? spectrum->findChild<QWidget*>() : nullptr;
                     picture && a % 3 == 0)
                     click(picture, "click the spectrum picture");
                 const Qt::Key key = kKeys[b % (a % 3 == 1 ? std::size(kKeys) : 9)];
                 say("key " + QKeySequence(key).toString());
                 pressKey(window.get(), key);
             }},
            {"typing", 4,
             [this](quint32 a, quint32 b) {
                 // A few characters where the focus is (the grid opens its editor for
                 // them in the description column), sometimes ended with Enter or Left.
                 QByteArray text;
                 for (quint32 n = 0; n <= a % 3; ++n)
                     text += "ab7 Z.-0x"[(a / 3 + n * 7) % 9];
                 say(QStringLiteral("type \"%1\", then %2, into %3")
                         .arg(QString::fromLatin1(text),
                              QStringLiteral("Enter,Left,-,-").section(',', b % 4, b % 4),
                              describe(keyboardTarget(window.get()))));
                 for (char c : text)
                     pressKey(window.get(), c);
                 if (b % 4 < 2)
                     pressKey(window.get(), b % 4 ? Qt::Key_Left : Qt::Key_Return);
             }},

            // Windows, menus and dialogs; files of their own beside the recordings,
            // never one the checks compare.
            {"open dialog", 4,
             [this](quint32 a, quint32) {
                 const char* const entries[][2] = {
                     {"Settings", "Settings"}, {"Settings", "Colors"}, {"Help", "About"},
                     {"Window", "Ping Test"},  {"Help", "Help"},       {"Window", "Repaint All"}};
                 const auto& e = entries[a % std::size(entries)];
                 menu(*window, QLatin1String(e[0]), QLatin1String(e[1]));
             }},
            {"picture or report", 1,
             [this](quint32 a, quint32) {
                 const char* const entries[][3] = {{"File", "Save Picture...", "picture.png"},
                                                   {"Edit", "Copy Picture", ""},
                                                   {"File", "Save Report...", "site.html"}};
                 const auto& e = entries[a % std::size(entries)];
                 dialogs_.saveAnswer = dir.filePath(QLatin1String(e[2]));
                 menu(*window, QLatin1String(e[0]), QLatin1String(e[1]));
             }},
            {"answer dialog", 5,
             [this](quint32 a, quint32 b) {
                 // One of the dialogs, or the one tool window left with buttons: a click
                 // on one of its buttons (OK, Cancel, a choice, a swatch), or Escape.
                 QList<QWidget*> open;
                 for (QDialog* dialog : window->findChildren<QDialog*>())
                     if (dialog->isVisible() && dialog->isWindow())
                         open << dialog;
                 if (PingTestWindow* ping = window->pingTestWindow())
                     open << ping;
                 QWidget* dialog = oneOf(open, a);
                 auto buttons =
                     dialog ? dialog->findChildren<QAbstractButton*>() : QList<QAbstractButton*>();
                 buttons.removeIf([](QWidget* button) { return !reachable(button); });
                 if (const auto pick = static_cast<int>(b % (buttons.size() + 1));
                     pick < buttons.size())
                     click(buttons.at(pick));
                 else if (dialog)
                     escapeTo(dialog);
             }},
            {"close or activate window", 5,
             [this](quint32 a, quint32 b) {
                 // The child windows the user sees (closed ones are hidden until
                 // destroyed); a click on one's title bar makes it the active one.
                 QList<QMdiSubWindow*> open = window->findChild<QMdiArea*>()->subWindowList();
                 open.removeIf([](QWidget* sub) { return !sub->isVisible(); });
                 QMdiSubWindow* sub = oneOf(open, a);
                 if (sub && b % 2) {
                     say("close " + describe(sub));
                     sub->close();
                 } else if (sub) {
                     click(sub, "click the title of " + describe(sub), QPoint(sub->width() / 2, 6));
                 }
             }},
            // The desktop hands the activation to another program, or back to the suite.
            {"leave or come back", 4,
             [this](quint32 a, quint32) {
                 say(a % 2 ? "leave for another program" : "come back");
                 QWindowSystemInterface::handleWindowActivated<
                     QWindowSystemInterface::SynchronousDelivery>(
                     a % 2 ? nullptr : window->windowHandle(), Qt::ActiveWindowFocusReason);
             }},
        };
    }

    void run() {
        startLog(options_);
        std::vector<double> weights;
        for (const UserAction& action : actions_)
            weights.push_back(action.weight);
        weights.push_back(4); // the last kind: a radio fault
        pick_ = std::discrete_distribution<int>(weights.begin(), weights.end());
        // Posted: a stage may talk to the emulator (a nested event loop), and no input
        // is given inside a timer's own dispatch.
        connect(&stageTimer_, &QTimer::timeout, this, [this] { post([this] { advance(); }); });
        loopTimer_.setTimerType(Qt::PreciseTimer);
        connect(&loopTimer_, &QTimer::timeout, this, [this] {
            const qint64 gap = now() - lastTurnMs_;
            lastTurnMs_ = now();
            alarm(10); // rings when the event loop has not turned for 10 s: a hang
            if (gap > 1000)
                fail(QStringLiteral("the event loop stalled for %1 ms").arg(gap));
        });
        startDestination_ = stateField(emulator.command("state"), "dest");
        clock_.start();
        loopTimer_.start(50);
        stageTimer_.start(100);
        qApp->installEventFilter(this);
        nextCheckMs_ = now() + checkGap_(pacing_);
        QTimer::singleShot(0, this, [this] { tick(); });
        loop_.exec();
        alarm(0);
        qApp->removeEventFilter(this);
        sampleRecorder();
        saveLog();
        std::printf("monkey seed %u: %d actions, %d radio checks, %d recordings checked\n",
                    options_.seed, randomActions_, radioChecks_, recordingsChecked_);
    }

    qint64 now() const { return clock_.elapsed(); }
    bool timeUp() const { return now() >= static_cast<qint64>(options_.seconds * 1000); }
    void post(std::function<void()> call) {
        QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
    }

    // One control command at a time: the wait for its reply runs the event loop, so
    // another may be asked for meanwhile (a fault ending); it is queued and sent once
    // the reply in hand has come, so that no reply is taken for another's. `done` gets
    // the reply ("ok ...", "error ...", empty on a time-out).
    void control(
        const QString& line, std::function<void(const QString&)> done = [](auto&) {}) {
        controls_.emplace_back(line, std::move(done));
        if (busy_)
            return;
        busy_ = true;
        for (; !controls_.empty(); controls_.pop_front())
            controls_.front().second(emulator.command(controls_.front().first));
        busy_ = false;
    }
    bool radioInNormalMode() {
        control("state", [this](const QString& reply) { lastState_ = reply; });
        return stateField(lastState_, "mode") == QLatin1String("0");
    }

    void tick() {
        if (phase_ != Phase::Random)
            return;
        // Four draws every time, whatever the windows look like, so that one seed
        // gives one sequence of intentions.
        const std::size_t kind = static_cast<std::size_t>(pick_(random_));
        const quint32 a = random_(), b = random_();
        const int pauseMs = 5 + static_cast<int>(random_() % 196);
        ++randomActions_;
        if (kind < actions_.size()) {
            deliver([this, &action = actions_[kind], a, b] {
                // While a modal dialog is open the user can only answer it.
                if (phase_ == Phase::Random && !answerModalDialog(a) &&
                    !options_.skipped.contains(QLatin1String(action.name)))
                    action.act(a, b);
            });
        } else {
            // A fault of kFaults, or stray bytes.
            const auto& k = kFaults[a % 6 % 5];
            QString on =
                a % 6 < 5 ? QString::fromLatin1(k.on).arg(k.from + b / 7 % k.range) : "inject";
            for (quint32 n = 0, x = b; a % 6 == 5 && n < 1 + b % 6;
                 ++n, x = x * 1103515245u + 12345u)
                on += QStringLiteral(" %1").arg(x >> 24, 2, 16, QLatin1Char('0'));
            const QString off = QLatin1String(a % 6 < 5 ? k.off : "");
            const int ms = off.isEmpty() ? 0 : 300 + static_cast<int>(b % 3700);
            deliver([this, on, off, ms] {
                if (phase_ != Phase::Random)
                    return;
                say(QStringLiteral("fault: %1, %2 ms").arg(on).arg(ms));
                control(on);
                if (!off.isEmpty())
                    QTimer::singleShot(ms, this,
                                       [this, off] { post([this, off] { control(off); }); });
            });
        }
        if (timeUp() || now() >= nextCheckMs_)
            beginCalm(timeUp() ? Phase::Exit : Phase::Check);
        else
            QTimer::singleShot(pauseMs, this, [this] { tick(); });
    }
    // Queues an input, given in order, one per turn of the event loop, wherever the
    // suite is then, inside its waits too.
    int deliver(std::function<void()> act) {
        pending_.emplace_back(++nextAction_, std::move(act));
        post([this] { deliverNext(); });
        return nextAction_;
    }
    void deliverNext() {
        // An input given while the monkey waits for the emulator's reply could start a
        // run inside that wait, and the reply could not be taken until the run ends.
        if (busy_)
            return QTimer::singleShot(5, this, [this] { post([this] { deliverNext(); }); });
        const auto [number, act] = std::move(pending_.front());
        pending_.pop_front();
        actionLog.prefix = QStringLiteral("#%1 [%2] ").arg(number).arg(running_.size());
        running_.insert(number);
        act();
        running_.erase(number);
        returned_.insert(number);
    }

    // A failed invariant, with what the radio said last and the suite's state: noted
    // in the log, which is saved whole, and shown on stderr with its last 400 lines.
    void fail(const QString& what) {
        const QString failure =
            QStringLiteral("%1 (radio: %2; the suite's port %3; %4 inputs still running)")
                .arg(what, lastState_, QLatin1String(suite->link.PortIsOpen ? "open" : "closed"))
                .arg(running_.size());
        ADD_FAILURE() << qPrintable(failure) << '\n' << actionLog.header << actionLog.path;
        say("MONKEY FAILURE: " + failure, {});
        saveLog();
        std::size_t from = actionLog.text.size();
        for (int lines = 0; from > 0 && lines <= 400;)
            lines += actionLog.text[--from] == '\n';
        writeLog(2, from, "(the whole log is in " + actionLog.path + ")\n");
        if (!options_.keepGoing && phase_ == Phase::Random)
            beginCalm(Phase::Exit);
    }

    // Every recording, once ended, holds 16 bytes for each record the recorder counted
    // (RecordCounter - 1). The recorder is sampled before every event: records are
    // written between events, and whatever ends a recording is one, so the sample just
    // before it holds the count as it ended, even when the same handler resets the
    // counter (Load File, playback). The file is measured once closed.
    bool eventFilter(QObject*, QEvent*) override { return sampleRecorder(), false; }
    void sampleRecorder() {
        const Recorder& recorder = suite->recorder;
        const bool recording = recorder.file().role() == RecordingFile::Role::Recording;
        if (!recordingPath_.isEmpty() && (!recording || recorder.file().path() != recordingPath_)) {
            const qint64 size = QFileInfo(recordingPath_).size();
            if (counted_ >= 0 && size != counted_ * kRecordSize)
                fail(QStringLiteral("the recording %1 ended with %2 bytes for %3 records")
                         .arg(recordingPath_, QString::number(size), QString::number(counted_)));
            recordingsChecked_ += counted_ >= 0;
            recordingPath_.clear();
        }
        if (recording && recordingPath_.isEmpty()) {
            recordingPath_ = recorder.file().path();
            counted_ = -1;
        }
        // Only while recording (or paused) is the counter the recording's own; Load
        // File sets it to 0 while the file is still open, and nothing is written then.
        if (recording && (recorder.TransportMode == Recorder::Recording ||
                          recorder.TransportMode == Recorder::RecordingPaused))
            counted_ = recorder.RecordCounter - 1;
    }

    void advance() {
        if (advancing_ || stage_ >= stages_.size())
            return;
        advancing_ = true;
        const Stage& stage = stages_[stage_];
        bool next = stage.done();
        if (!next && now() - stageSinceMs_ >= stage.limitMs) {
            next = true;
            fail(QStringLiteral("not within %1 ms: %2").arg(stage.limitMs).arg(stage.name));
            if (phase_ != Phase::Exit)
                stage_ = stages_.size() - 1; // a radio check that failed ends here
        }
        if (next && ++stage_ < stages_.size()) {
            stageSinceMs_ = now();
            say("-- " + stages_[stage_].name, {});
        } else if (next && phase_ == Phase::Exit) {
            if (!running_.empty()) // the suite cannot be destroyed while its code still runs
                std::_Exit(1);
            loop_.quit();
        } else if (next && ((!HasFailure() || options_.keepGoing) && !timeUp())) {
            phase_ = Phase::Random;
            nextCheckMs_ = now() + checkGap_(pacing_);
            say("-- random input again", {});
            QTimer::singleShot(0, this, [this] { tick(); });
        } else if (next) {
            beginCalm(Phase::Exit);
        }
        advancing_ = false;
    }

    // The radio check (every 8 to 20 s) and the exit: the faults stop, the link is
    // back, the user closes a modal dialog and, when the suite has closed its port
    // after the link went away, opens it again with Settings > Settings > OK (a run
    // that is going on reopens it by itself); then Stop, or File > Exit.
    void beginCalm(Phase phase) {
        phase_ = phase;
        stopAction_ = 0;
        lastState_.clear();
        linkUp_ = portSelectTried_ = false;
        MainWindow* w = window.get();
        stages_ = {
            {"faults off", 0,
             [this] {
                 for (const char* off : {"silent 0", "garbage 0", "split 1", "late 0"})
                     control(QLatin1String(off));
                 return true;
             }},
            // Replies held back by a "late" fault still come out late after it ends.
            {"the link back, held-back replies out", 15000,
             // 2 s: longer than the latest reply a fault holds back.
             [this] {
                 control("path", [this](const QString& reply) {
                     linkUp_ = reply.startsWith(QLatin1String("ok"));
                 });
                 return linkUp_ && now() - stageSinceMs_ >= 2000;
             }},
            {"modal dialogs closed", 5000,
             [this] {
                 if (QApplication::activeModalWidget())
                     deliver([] { answerModalDialog(1); });
                 return !QApplication::activeModalWidget();
             }},
            {"the suite's port open again (Settings > Settings > OK)", 6000,
             [this, w] {
                 if (!suite->link.PortIsOpen && now() - stageSinceMs_ >= 1500 &&
                     !portSelectTried_) {
                     portSelectTried_ = true;
                     deliver([w] { menu(*w, "Settings", "Settings"); });
                     deliver([w] {
                         QPointer<ConnectionDialog> dialog = w->findChild<ConnectionDialog*>();
                         if (!dialog || !dialog->isVisible())
                             return;
                         click(dialog->linkChoice(0));
                         if (dialog) // the click may have closed it
                             click(buttonNamed(dialog, "OK"));
                     });
                 }
                 return suite->link.PortIsOpen;
             }},
        };
        if (phase == Phase::Check) {
            stages_.push_back(
                {"Stop returns the radio to normal mode", 5000, [this, w] {
                     if (!stopAction_)
                         stopAction_ = deliver([w] { clickTool(*w, "Stop", w->stopAction()); });
                     return radioInNormalMode() && returned_.count(stopAction_) && ++radioChecks_;
                 }});
        } else {
            stages_.push_back({"File > Exit finished", 5000, [this, w] {
                                   if (!exitAction_)
                                       exitAction_ = deliver([w] { menu(*w, "File", "Exit"); });
                                   return returned_.count(exitAction_) && !w->isVisible() &&
                                          running_.empty();
                               }});
            stages_.push_back(
                {"the radio left in normal mode, its own address as destination", 3000, [this] {
                     const bool normal = radioInNormalMode();
                     const QString destination = stateField(lastState_, "dest");
                     // Without its own address known, the suite leaves the destination it found.
                     return normal && (destination == stateField(lastState_, "own") ||
                                       (suite->modes.LocalRadioAddress.size() != 3 &&
                                        destination == startDestination_));
                 }});
            // Given up after a minute: see advance().
            stages_.push_back({"every input returned", 60000, [this] { return running_.empty(); }});
        }
        stage_ = 0;
        stageSinceMs_ = now();
        say("-- " + stages_.front().name, {});
    }

    const MonkeyOptions options_;
    ScriptedFileDialogs dialogs_;
    QStringList recordings_; // made so far (Load File picks from them)
    const std::vector<UserAction> actions_ = userActions();
    std::mt19937 random_{options_.seed};
    // When the radio checks come: every 8 to 20 s, apart from the action sequence.
    std::mt19937 pacing_{options_.seed ^ 0x5bd1e995u};
    std::uniform_int_distribution<qint64> checkGap_{8000, 20000};
    std::discrete_distribution<int> pick_;
    Phase phase_ = Phase::Random;
    QElapsedTimer clock_;
    QTimer stageTimer_, loopTimer_;
    qint64 lastTurnMs_ = 0;
    QEventLoop loop_;
    std::deque<std::pair<QString, std::function<void(const QString&)>>> controls_;
    std::deque<std::pair<int, std::function<void()>>> pending_;
    std::set<int> running_, returned_; // inputs given and not yet returned; returned
    std::vector<Stage> stages_;
    std::size_t stage_ = 0;
    bool busy_ = false, advancing_ = false, linkUp_ = false, portSelectTried_ = false;
    QString lastState_, startDestination_, recordingPath_;
    qint64 counted_ = -1; // -1: never seen recording into this file
    int nextAction_ = 0, stopAction_ = 0, exitAction_ = 0;
    int randomActions_ = 0, radioChecks_ = 0, recordingsChecked_ = 0;
    qint64 nextCheckMs_ = 0, stageSinceMs_ = 0;
};

TEST_F(Monkey, RandomInputAndRadioFaultsNeverHangCrashLoseRecordsOrStrandTheRadio) {
    // The offscreen platform says so for every window and popup; the monkey opens many.
    static QtMessageHandler qtMessages = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& text) {
            if (!text.startsWith(QLatin1String("This plugin does not support")) && qtMessages)
                qtMessages(type, context, text);
        });
    // The radio behind a symlink that follows it when a dropped link comes back.
    const QString link = dir.filePath(QStringLiteral("rm7700"));
    ASSERT_NO_FATAL_FAILURE(startSuite({"--link", link, "--baud", "57600", "--sync-delay", "300",
                                        "--seed", QString::number(options_.seed)}));
    suite->link.DeviceOverride = link;
    window->openDocument = [](const QString&) { return true; }; // no browser in a test
    window->setFileDialogs(dialogs_);
    run();
}
