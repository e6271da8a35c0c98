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
// Every action is logged so that a failed run can be replayed; a failure, a crash or a
// hang prints the seed, the replay line and the actions. From the environment,
// so that a failed run can be replayed and a long one started without rebuilding:
//   VELTRANE_MONKEY_SEED       seed of every random choice (default 1, as in CI)
//   VELTRANE_MONKEY_SECONDS    length of the random part (default 60)
//   VELTRANE_MONKEY_KEEP_GOING 1: note a failed invariant and carry on (default: stop
//                              the random input and go to the exit checks)
//   VELTRANE_MONKEY_SKIP       action names, comma-separated, that do nothing (their
//                              random draws are still made, so the rest of the
//                              sequence stays the same), e.g. "leave or come back,keys"
//   VELTRANE_MONKEY_LOG        where the action log goes (default monkey-SEED.log)

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
#include <fcntl.h>
#include <random>
#include <span>
#include <unistd.h>

// Set only in a sanitizer build.
extern "C" void __sanitizer_set_death_callback(void (*)()) __attribute__((weak));

namespace {

// What the monkey has done, so that a failed run can be replayed: the seed and the
// replay line, then one line per action ("+12.345 s #57 [1] click Play": time since
// the start, number, how many inputs had not returned beneath it, what was done).
struct {
    std::string path, text; // the seed and the replay line first
    QString prefix;         // of the input being given: "#57 [1] "
    QElapsedTimer clock;
} actionLog;
volatile std::sig_atomic_t crashReported = 0;

// Logs what is about to be done, after the number of the input it belongs to.
void say(const QString& what, const QString& prefix = actionLog.prefix) {
    const double t = actionLog.clock.elapsed() / 1000.0;
    actionLog.text += QString::asprintf("+%.3f s ", t).append(prefix + what + '\n').toStdString();
}

// All the writing of the log: the header, the actions, then `ending`, to `fd`, or (fd < 0)
// to the log file. Only with write(): the crash handlers call it too.
void writeLog(int fd, std::string_view ending = {}) {
    const int to = fd < 0 ? ::open(actionLog.path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644) : fd;
    for (std::string_view part : {std::string_view(actionLog.text), ending})
        for (ssize_t n = 0; to >= 0 && !part.empty();
             part.remove_prefix(n > 0 ? std::size_t(n) : part.size()))
            n = ::write(to, part.data(), part.size());
    if (fd < 0)
        ::close(to);
}

// A crash or a hang (SIGALRM of the hang watch; 0: a sanitizer's report, which it has
// printed itself): the log to stderr and to its file, once. The handler is reset to the
// default, so raising the signal again (or the faulting instruction) ends the process.
void onCrash(int signal) {
    for (int fd : {2, -1})
        if (!crashReported)
            writeLog(fd, signal == SIGALRM ? "MONKEY HANG: the event loop stopped for 10 s\n"
                                           : "MONKEY CRASH after the actions above\n");
    crashReported = 1;
    if (signal > 0)
        raise(signal);
}

// The radio's or its line's faults: silence, junk before every reply, replies in pieces,
// late replies (each ended by `off` after 0.3 to 4 s), the link dropped (back on a new
// pseudo-terminal behind the same symlink), stray bytes (range 0: the bytes follow).
const std::tuple<const char*, const char*, quint32, quint32> kFaults[] = {
    {"silent %1", "silent 0", 1, 1}, {"garbage %1", "garbage 0", 1, 8},
    {"split %1", "split 1", 2, 3},   {"late %1", "late 0", 100, 1500},
    {"drop %1", "", 200, 2800},      {"inject %1", "", 0, 0}};

// The keys that mean something somewhere: the spectrum window's (F1 .. F7, Left,
// Right: the first nine), the grid's and the dialogs'.
const char* const kKeys = "F1|F2|F3|F4|F5|F6|F7|Left|Right|Up|Down|Return|Tab|Esc|Backspace";

// The menu entries the user opens ("Menu>Entry", the dialogs most often), and a third
// part: the file a save dialog is answered with.
const char* const kMenuEntries =
    "Settings>Settings|Settings>Colors|Help>About|Window>Ping Test|Help>Help|Window>Repaint All|"
    "File>Save Picture...>picture.png|Edit>Copy Picture|File>Save Report...>a.html";

} // namespace

// Drives the suite with the user's input, each kind chosen with a weight and shaped by
// two random numbers a and b (which button, which cell, which answer) against the
// windows as they are at that moment, and with the radio's faults.
struct Monkey : public QObject, public MainWindowOnEmulator {
    using UserAction = std::tuple<const char*, double, std::function<void(quint32 a, quint32 b)>>;
    // A step of the radio check or the exit: its name, its limit (ms), and `done`, asked
    // every 50 ms until it holds, or the limit has passed: a failure.
    using Stage = std::tuple<const char*, int, bool (Monkey::*)()>;

    // Input only reaches what the user could reach: a widget shown and enabled.
    static bool reachable(const QWidget* w) { return w && w->isVisible() && w->isEnabled(); }
    // One of `list` (or of the '|'-separated `texts`) chosen by `a`; none when empty.
    template <class T> T oneOf(QList<T> l, uint a) { return l.isEmpty() ? T() : l[a % l.size()]; }
    QString oneOf(const char* texts, quint32 a) { return oneOf(QString(texts).split('|'), a); }
    QString field(QString n) { return state_.section(' ' + n + '=', 1).section(' ', 0, 0); }
    // Says `what` (by default: which widget), then clicks the widget at `at` (by
    // default in its middle).
    static void click(QWidget* widget, const QString& what = {}, QPoint at = {}) {
        const auto* button = qobject_cast<QAbstractButton*>(widget);
        say(what.isEmpty() && button ? "click " + button->text() : what);
        if (reachable(widget))
            QTest::mouseClick(widget, Qt::LeftButton, {}, at); // a null point: the middle
    }
    // Presses a key (Qt::Key) or a character (char), with the text QTest gives it,
    // where the keyboard goes: the focus widget, else the active window, else the main
    // window (offscreen a closed popup can keep the focus; keys cannot reach a hidden
    // widget). The press may move the focus (an editor opened, a dialog closed): the
    // release goes where the focus is then.
    template <class Key> void press(Key key) {
        for (auto type : {QTest::Press, QTest::Release}) {
            QWidget* to = QApplication::focusWidget();
            to = to && to->isVisible() ? to : QApplication::activeWindow();
            QTest::keyEvent(type, to && to->isVisible() ? to : window.get(), key);
        }
    }
    // The answer to the modal dialog in front (the user cannot reach anything else
    // while it is open): OK or Cancel, or Escape; false when none is open.
    bool answerModalDialog(quint32 a) {
        QWidget* modal = QApplication::activeModalWidget();
        auto* box = modal ? modal->findChild<QDialogButtonBox*>() : nullptr;
        if (QPushButton* button = box ? box->button(a % 2 ? box->Cancel : box->Ok) : nullptr)
            click(button);
        else if (modal)
            say("Escape to " + modal->windowTitle()), press(Qt::Key_Escape);
        return modal;
    }
    // The tool bar button of `action`, when the user can reach it.
    void clickTool(QAction* action) {
        for (QToolBar* bar : window->findChildren<QToolBar*>())
            if (QWidget* button = bar->widgetForAction(action); reachable(button))
                return click(button, "click " + action->text());
    }
    // "Menu>Entry", or "Menu>Entry>file" (what a save dialog is answered with): opens
    // the menu with a click on its title (a popup: this does not block), then clicks
    // the entry, whose action may not return for a while; a missing or disabled entry
    // closes the menu with Escape.
    void menu(const QString& path) {
        const QStringList e = path.split('>');
        dialogs_.saveAnswer = dir.filePath(e.value(2));
        QMenuBar* bar = window->menuBar();
        for (QAction* item : bar->actions())
            if (QMenu* menu = item->menu();
                menu && item->text().remove('&') == e[0] && item->isEnabled() && reachable(bar)) {
                click(bar, "menu " + path, bar->actionGeometry(item).center());
                for (QAction* choice : menu->isVisible() ? menu->actions() : QList<QAction*>())
                    if (choice->text().remove('&') == e[1] && choice->isEnabled())
                        return click(menu, e[1], menu->actionGeometry(choice).center());
                if (menu->isVisible())
                    QTest::keyClick(menu, Qt::Key_Escape);
            }
    }
    // A fault of kFaults chosen by `a`, its strength and length (or 1 to 4 stray bytes)
    // by `b`.
    void fault(quint32 a, quint32 b) {
        const auto& [on, off, from, range] = kFaults[a % std::size(kFaults)];
        const QByteArray bytes = QByteArray(reinterpret_cast<const char*>(&b), 1 + a / 6 % 4);
        const QString fault =
            QString(on).arg(range ? QByteArray::number(from + b / 7 % range) : bytes.toHex(' '));
        const int ms = *off ? 300 + int(b % 3700) : 0;
        say(QString("fault: %1, %2 ms").arg(fault).arg(ms));
        control(fault);
        if (*off)
            QTimer::singleShot(ms, this, [this, o = off] { post([this, o] { control(o); }); });
    }
    template <class Act> UserAction network(const char* name, double weight, Act act) {
        return {name, weight, [this, act](auto a, auto b) {
                    window->networkWindow() ? act(*window->networkWindow(), a, b) : void();
                }};
    }

    qint64 now() const { return clock_.elapsed(); }
    bool timeUp() const { return now() >= qint64(seconds_ * 1000); }
    // Queued (a zero time-out is a queued call, not a timer): no input is given inside a
    // timer's own dispatch.
    void post(std::function<void()> call) { QTimer::singleShot(0, this, std::move(call)); }

    // One control command at a time: the wait for its reply runs the event loop, so
    // another may be asked for meanwhile (a fault ending); it is queued and sent once
    // the reply in hand has come, so that no reply is taken for another's. `done` gets
    // the reply ("ok ...", "error ...", empty on a time-out).
    void control(
        const QString& line, std::function<void(const QString&)> done = [](auto&) {}) {
        controls_.append({line, std::move(done)});
        for (bool busy = std::exchange(busy_, true); !busy && !controls_.isEmpty();) {
            const auto [command, then] = controls_.takeFirst();
            then(emulator.command(command));
            busy_ = !controls_.isEmpty();
        }
    }
    bool radioInNormalMode() {
        control("state", [this](const QString& reply) { state_ = reply; });
        return field("mode") == "0";
    }

    void tick() {
        if (calm())
            return;
        // Four draws every time, whatever the windows look like, so that one seed
        // gives one sequence of intentions.
        const std::size_t kind = pick_(random_);
        const quint32 a = random_(), b = random_(), pauseMs = 5 + random_() % 196;
        deliver([this, kind, a, b] {
            // While a modal dialog is open the user can only answer it.
            const auto& [name, weight, act] = actions_[kind];
            if (!calm() && (!kind || !answerModalDialog(a)) && !skipped_.contains(name))
                say(name), act(a, b);
        });
        if (timeUp() || now() >= nextCheckMs_)
            beginCalm(timeUp());
        else
            QTimer::singleShot(pauseMs, this, [this] { tick(); });
    }
    // Queues an input, given in order, one per turn of the event loop, wherever the
    // suite is then, inside its waits too. An input given while the monkey waits for
    // the emulator's reply could start a run inside that wait, and the reply could not
    // be taken until the run ends: it waits.
    int deliver(std::function<void()> act) {
        pending_.append({++nextAction_, std::move(act)});
        post([this] { deliverNext(); });
        return nextAction_;
    }
    void deliverNext() {
        if (busy_)
            return QTimer::singleShot(5, this, [this] { post([this] { deliverNext(); }); });
        const auto [number, act] = pending_.takeFirst();
        actionLog.prefix = QString("#%1 [%2] ").arg(number).arg(running_.size());
        running_.insert(number);
        act();
        running_.remove(number);
        returned_.insert(number);
    }

    // A failed invariant, with what the radio said last and the suite's state: noted
    // in the log, which is saved, and shown on stderr.
    void fail(const QString& what) {
        const QString failure = what + " (radio: " + state_ +
                                (suite->link.PortIsOpen ? "; port open; " : "; port closed; ") +
                                QString::number(running_.size()) + " inputs running)";
        ADD_FAILURE() << qPrintable(failure) << "; the log: " << actionLog.path;
        say("MONKEY FAILURE: " + failure, {});
        writeLog(-1);
        writeLog(2);
        if (!keepGoing_ && !calm())
            beginCalm(true);
    }

    // Every recording, once ended, holds 16 bytes for each record the recorder counted
    // (RecordCounter - 1). The recorder is sampled before every event: records are
    // written between events, and whatever ends a recording is one, so the sample just
    // before it holds the count as it ended, even when the same handler resets the
    // counter (Load File, playback). The file is measured once closed. Only while
    // recording (or paused) is the counter the recording's own; Load File sets it to 0
    // while the file is still open, and nothing is written then.
    bool eventFilter(QObject*, QEvent*) override {
        const Recorder& r = suite->recorder;
        QString path = r.file().role() == RecordingFile::Role::Recording ? r.file().path() : "";
        if (path != recordingPath_ && counted_ >= 0 &&
            QFileInfo(recordingPath_).size() != counted_ * kRecordSize)
            fail(recordingPath_ + QString(": %1 bytes, %2 records")
                                      .arg(QFileInfo(recordingPath_).size())
                                      .arg(counted_));
        counted_ = path != recordingPath_ ? -1 : counted_; // -1: never seen recording into it
        recordingPath_ = path;
        if (!path.isEmpty() && (r.TransportMode == Recorder::Recording ||
                                r.TransportMode == Recorder::RecordingPaused))
            counted_ = r.RecordCounter - 1;
        return false;
    }

    void advance() {
        if (advancing_ || stage_ >= stages_.size())
            return;
        const QScopedValueRollback guard(advancing_, true);
        const auto& [name, limitMs, done] = stages_[stage_];
        if ((this->*done)())
            say(QString("-- held: ") + name, {});
        else if (now() - stageSinceMs_ < limitMs)
            return;
        else if (fail(QString("not within %1 ms: %2").arg(limitMs).arg(name)); !exiting_)
            stage_ = stages_.size() - 1; // a radio check that failed ends here
        stageSinceMs_ = now();
        if (++stage_ < stages_.size())
            return;
        // The suite cannot be destroyed while its code still runs.
        if (exiting_)
            return running_.empty() ? loop_.quit() : std::_Exit(1);
        if ((HasFailure() && !keepGoing_) || timeUp())
            return beginCalm(true);
        nextCheckMs_ = now() + checkGap_(pacing_);
        say("-- random input again", {});
        QTimer::singleShot(0, this, [this] { tick(); });
    }

    // The radio check (every 8 to 20 s) and the exit: the faults stop, the link is back
    // (2 s: longer than the latest reply a "late" fault holds back), the user closes a
    // modal dialog and, when the suite has closed its port after the link went away,
    // opens it again with Settings > Settings > OK (a run that is going on reopens it by
    // itself); then Stop, or File > Exit.
    bool calm() const { return stage_ < stages_.size(); }
    void beginCalm(bool exit) {
        state_.clear();
        stopAction_ = linkUp_ = portTried_ = faultsOff_ = false;
        exiting_ = exit;
        stages_ = exit ? std::span<const Stage>(kExit) : std::span<const Stage>(kCheck);
        stage_ = 0;
        stageSinceMs_ = now();
        say(exit ? "-- the exit" : "-- a radio check", {});
    }
    bool inputsReturned() { return running_.empty(); }
    bool linkBack() {
        // The faults are switched off once; after that only the link is asked about.
        if (!std::exchange(faultsOff_, true))
            for (const char* off : {"silent 0", "garbage 0", "split 1", "late 0"})
                control(off);
        control("path", [this](const QString& reply) { linkUp_ = reply.startsWith("ok"); });
        return linkUp_ && now() - stageSinceMs_ >= 2000;
    }
    bool portOpen() {
        if (QApplication::activeModalWidget())
            deliver([this] { answerModalDialog(1); });
        else if (!suite->link.PortIsOpen && now() - stageSinceMs_ >= 1500 &&
                 !std::exchange(portTried_, true)) {
            deliver([this] { menu("Settings>Settings"); });
            deliver([this] {
                QPointer<ConnectionDialog> dialog = window->findChild<ConnectionDialog*>();
                if (dialog && dialog->isVisible())
                    click(dialog->linkChoice(0));
                // Then Enter: OK, its default button (unless the click has closed it).
                if (dialog && dialog->isVisible())
                    say("Enter"), QTest::keyClick(dialog, Qt::Key_Return);
            });
        }
        return !QApplication::activeModalWidget() && suite->link.PortIsOpen;
    }
    bool stopped() {
        stopAction_ =
            stopAction_ ? stopAction_ : deliver([this] { clickTool(window->stopAction()); });
        return radioInNormalMode() && returned_.contains(stopAction_);
    }
    bool exited() {
        exitAction_ = exitAction_ ? exitAction_ : deliver([this] { menu("File>Exit"); });
        return returned_.contains(exitAction_) && !window->isVisible() && running_.empty();
    }
    // Without its own address known, the suite leaves the destination it found.
    bool radioLeftRight() {
        return radioInNormalMode() &&
               (field("dest") == field("own") ||
                (suite->modes.LocalRadioAddress.size() != 3 && field("dest") == startDestination_));
    }

    static constexpr Stage kLink{"faults off, link back, replies out", 15000, &Monkey::linkBack};
    static constexpr Stage kPort{"modal dialogs closed, port open again", 11000, &Monkey::portOpen};
    static constexpr Stage kCheck[] = {
        kLink, kPort, {"Stop returns the radio to normal mode", 5000, &Monkey::stopped}};
    // The last one is given up after a minute: see advance().
    static constexpr Stage kExit[] = {
        kLink,
        kPort,
        {"File > Exit finished", 5000, &Monkey::exited},
        {"radio in normal mode, destination its own address", 3000, &Monkey::radioLeftRight},
        {"every input returned", 60000, &Monkey::inputsReturned}};

    const unsigned seed_ = qEnvironmentVariable("VELTRANE_MONKEY_SEED", "1").toUInt();
    const double seconds_ = qEnvironmentVariable("VELTRANE_MONKEY_SECONDS", "60").toDouble();
    const bool keepGoing_ = qEnvironmentVariable("VELTRANE_MONKEY_KEEP_GOING") == "1";
    const QStringList skipped_ = qEnvironmentVariable("VELTRANE_MONKEY_SKIP").split(',');
    const QString logPath_ =
        qEnvironmentVariable("VELTRANE_MONKEY_LOG", QString("monkey-%1.log").arg(seed_));
    ScriptedFileDialogs dialogs_;
    QStringList recordings_; // made so far (Load File picks from them)
    // Each kind is logged by its name when given; the real QTest clicks and keys may
    // not return for a long time (Play runs until Stop).
    const std::vector<UserAction> actions_ = {
        // First: a radio fault, which comes whether a modal dialog is open or not.
        {"radio fault", 4, [this](auto a, auto b) { fault(a, b); }},
        // The transport tool bar and the display toggles.
        {"play", 8, [this](auto, auto) { clickTool(window->playAction()); }},
        {"stop", 6, [this](auto, auto) { clickTool(window->stopAction()); }},
        {"pause", 5, [this](auto, auto) { clickTool(window->pauseAction()); }},
        {"record", 6,
         [this](auto a, auto b) {
             // The save dialog: a new file mostly, now and then an earlier one
             // (replaced) or none (cancelled); then the question whether to append
             // (Yes, No, Cancel).
             const QString fresh = QString("run%1.").arg(recordings_.size() + 1) +
                                   (suite->settings.MeterTest == 1 ? "san" : "ban");
             const QString file = a % 8 == 1 ? oneOf(recordings_, b)
                                  : a % 8    ? dir.filePath(fresh)
                                             : "";
             say("saving " + file + ", then " + oneOf("Yes|No|Cancel", b % 3));
             messages.answer = MessageBoxes::Answer(b % 3);
             if (!(dialogs_.saveAnswer = file).isEmpty() && !recordings_.contains(file))
                 recordings_ << file;
             clickTool(window->recordAction());
         }},
        {"load file", 3,
         [this](auto a, auto b) {
             dialogs_.openAnswer =
                 a % 8 ? oneOf(recordings_ + QStringList{dir.filePath("missing.ban")}, b) : "";
             say("opening " + dialogs_.openAnswer), clickTool(window->loadFileAction());
         }},
        {"display toggle", 3,
         [this](auto a, auto) {
             clickTool(oneOf(window->findChild<QToolBar*>("Toolbar2")->actions(), a));
         }},
        // The source selector, or the Network Query window's radio selector: the keyboard
        // on it, each arrow chooses the next entry.
        {"selector", 5,
         [this](auto a, auto b) {
             NetworkWindow* n = window->networkWindow();
             QComboBox* selector = n && a % 3 == 0 ? n->radioSelector() : window->sourceSelector();
             say(b % 2 ? "Down" : "Up");
             if (selector->isVisible())
                 selector->setFocus(Qt::TabFocusReason), press(b % 2 ? Qt::Key_Down : Qt::Key_Up);
         }},

        // The Network Query window.
        network("test option", 4, [](auto& n, auto a, auto) { click(n.testOption(a % 2)); }),
        network("meter option", 2, [](auto& n, auto a, auto) { click(n.meterOption(a % 2)); }),
        network("query button", 9,
                [this](auto& n, auto a, auto b) {
                    dialogs_.saveAnswer = dialogs_.openAnswer = dir.filePath("query.csv");
                    click(a % 2 ? n.runQueryButton()
                                : oneOf(n.template findChildren<QPushButton*>(), b));
                }),
        network("grid click", 3,
                [](auto& n, auto a, auto b) {
                    // The description column most often: that is where the user types.
                    QWidget* grid = n.grid()->viewport();
                    const int x =
                        n.grid()->columnViewportPosition(QueryGrid::kDescriptionColumn - 1) + 4;
                    click(grid, "click the grid",
                          QPoint(b % 2 ? x : int(b % (grid->width() + 1)),
                                 int(a % (grid->height() + 1))));
                }),
        network("retries box", 1,
                [this](auto& n, auto a, auto b) {
                    // Digits after the text there (or instead of it), then Tab leaves.
                    click(n.retriesBox(), "click the retries box");
                    for (int i = 0; b % 2 == 0 && i < 6 && n.retriesBox()->hasFocus(); ++i)
                        press(Qt::Key_Backspace);
                    for (char key : QByteArray::number(a % 1000) + '\t')
                        press(key);
                }),

        // The keyboard: mostly the spectrum window's keys (F1 .. F7, Left, Right: the
        // first nine), now and then after a click on its picture, which gives it the
        // keyboard; else the grid's and the dialogs' too.
        {"keys", 9,
         [this](auto a, auto b) {
             if (SpectrumWindow* spectrum = window->spectrumWindow(); spectrum && a % 3 == 0)
                 click(spectrum->findChild<QWidget*>(), "click the spectrum picture");
             const QKeySequence key(oneOf(kKeys, b % (a % 3 == 1 ? 15 : 9)));
             say("key " + key.toString()), press(key[0].key());
         }},
        // A few characters where the focus is (the grid opens its editor for them in
        // the description column), sometimes ended with Enter or Left.
        {"typing", 4,
         [this](auto a, auto b) {
             for (quint32 n = 0; n <= a % 3; ++n)
                 press("ab7 Z.-0x"[(a / 3 + n * 7) % 9]);
             if (b % 4 < 2)
                 press(b % 4 ? Qt::Key_Left : Qt::Key_Return);
         }},

        // Windows, menus and dialogs (files of their own, never one the checks compare).
        {"menu", 5, [this](auto a, auto) { menu(oneOf(kMenuEntries, a)); }},
        // One of the dialogs, or the one tool window left with buttons: a click on one
        // of its buttons (OK, Cancel, a choice, a swatch), or Escape.
        {"answer dialog", 5,
         [this](auto a, auto b) {
             QList<QWidget*> open{window->pingTestWindow()};
             for (QDialog* dialog : window->findChildren<QDialog*>())
                 open << (dialog->isVisible() && dialog->isWindow() ? dialog : nullptr);
             open.removeAll(nullptr);
             QWidget* dialog = oneOf(open, a);
             auto buttons =
                 dialog ? dialog->findChildren<QAbstractButton*>() : QList<QAbstractButton*>();
             buttons.removeIf([](QWidget* button) { return !reachable(button); });
             if (QAbstractButton* button = oneOf(buttons << nullptr, b))
                 click(button);
             else if (dialog)
                 say("Escape to " + dialog->windowTitle()), press(Qt::Key_Escape);
         }},
        // The child windows the user sees (closed ones are hidden until destroyed);
        // a click on one's title bar makes it the active one.
        {"close or activate window", 5,
         [this](auto a, auto b) {
             QList<QMdiSubWindow*> open = window->findChild<QMdiArea*>()->subWindowList();
             open.removeIf([](QWidget* sub) { return !sub->isVisible(); });
             if (QMdiSubWindow* sub = oneOf(open, a); sub && b % 2)
                 say("close " + sub->windowTitle()), sub->close();
             else if (sub)
                 click(sub, "click the title: " + sub->windowTitle(), QPoint(sub->width() / 2, 6));
         }},
        // The desktop hands the activation to another program (a odd), or back.
        {"leave or come back", 4,
         [this](auto a, auto) {
             using System = QWindowSystemInterface;
             System::handleWindowActivated<System::SynchronousDelivery>(
                 a % 2 ? nullptr : window->windowHandle(), Qt::ActiveWindowFocusReason);
         }},
    };
    std::mt19937 random_{seed_};
    // The kind of input by its weight (the k-th kind is asked for with k + 0.5).
    std::discrete_distribution<std::size_t> pick_{
        actions_.size(), 0.0, double(actions_.size()),
        [this](double k) { return std::get<double>(actions_[std::size_t(k)]); }};
    // When the radio checks come: every 8 to 20 s, apart from the action sequence.
    std::mt19937 pacing_{seed_ ^ 0x5bd1e995u};
    std::uniform_int_distribution<qint64> checkGap_{8000, 20000};
    QElapsedTimer clock_;
    QTimer timer_;
    QEventLoop loop_;
    QList<std::pair<QString, std::function<void(const QString&)>>> controls_;
    QList<std::pair<int, std::function<void()>>> pending_;
    QSet<int> running_, returned_; // inputs given and not yet returned; returned
    std::span<const Stage> stages_;
    std::size_t stage_ = 0;
    bool busy_ = false, advancing_ = false, exiting_ = false, linkUp_ = false, portTried_ = false,
         faultsOff_ = false;
    QString state_, startDestination_, recordingPath_;
    qint64 counted_ = -1, lastTurnMs_ = 0, nextCheckMs_ = 0, stageSinceMs_ = 0;
    int nextAction_ = 0, stopAction_ = 0, exitAction_ = 0;
};

TEST_F(Monkey, RandomInputAndRadioFaultsNeverHangCrashLoseRecordsOrStrandTheRadio) {
    // The offscreen platform says so for every window and popup; the monkey opens many.
    static QtMessageHandler qtMessages = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& text) {
            if (!text.startsWith(QLatin1String("This plugin does not support")) && qtMessages)
                qtMessages(type, context, text);
        });
    // The radio behind a symlink that follows it when a dropped link comes back.
    const QString link = dir.filePath("rm7700");
    ASSERT_NO_FATAL_FAILURE(startSuite({"--link", link, "--baud", "57600", "--sync-delay", "300",
                                        "--seed", QString::number(seed_)}));
    suite->link.DeviceOverride = link;
    window->openDocument = [](const QString&) { return true; }; // no browser in a test
    window->setFileDialogs(dialogs_);

    actionLog.text =
        QString("monkey seed %1\nreplay: VELTRANE_MONKEY_SEED=%1 VELTRANE_MONKEY_SECONDS=%2 "
                "VELTRANE_MONKEY_SKIP='%3' test_monkey\n")
            .arg(QString::number(seed_), QString::number(seconds_), skipped_.join(','))
            .toStdString();
    actionLog.path = QFileInfo(logPath_).absoluteFilePath().toStdString();
    // Reserved, so that appending rarely moves the text a crash handler may write.
    actionLog.text.reserve(8u << 20);
    actionLog.clock.start();
    // A stack overflow (waits nested too deeply) leaves no stack for the handler.
    static char handlerStack[1 << 16];
    const stack_t alternate{handlerStack, 0, sizeof handlerStack};
    sigaltstack(&alternate, nullptr);
    struct sigaction action = {};
    action.sa_handler = onCrash;
    action.sa_flags = SA_RESETHAND | SA_ONSTACK;
    // Qt's and the program's own aborts (qFatal, a failed assertion, the hang watch);
    // the memory errors a sanitizer reports itself, then calls onCrash on its way out.
    for (int signal : {SIGABRT, SIGALRM, SIGSEGV, SIGBUS, SIGFPE, SIGILL})
        if (signal == SIGABRT || signal == SIGALRM || !__sanitizer_set_death_callback)
            sigaction(signal, &action, nullptr);
    if (__sanitizer_set_death_callback)
        __sanitizer_set_death_callback([] { onCrash(0); });

    // Every 50 ms: how late the timer comes, an alarm that rings when the event loop
    // has not turned for 10 s (a hang), and the next step of a radio check or the exit
    // (posted: a stage may talk to the emulator, a nested event loop, and no input is
    // given inside a timer's own dispatch).
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (const qint64 gap = now() - std::exchange(lastTurnMs_, now()); gap > 1000)
            fail(QString("the event loop stalled for %1 ms").arg(gap));
        alarm(10);
        post([this] { advance(); });
    });
    radioInNormalMode();
    startDestination_ = field("dest");
    clock_.start();
    timer_.start(50);
    qApp->installEventFilter(this);
    nextCheckMs_ = now() + checkGap_(pacing_);
    QTimer::singleShot(0, this, [this] { tick(); });
    loop_.exec();
    alarm(0);
    qApp->removeEventFilter(this);
    eventFilter(nullptr, nullptr); // a recording the exit ended
    writeLog(-1);
}
