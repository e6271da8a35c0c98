// The seeded monkey: the whole suite with its real main window (offscreen) on a
// fresh rm7700-emu, driven by random real clicks and keys while the radio misbehaves.
// See monkey.h for what it checks, monkey_options.h for replaying a failed run.

#include "action_log.h"
#include "app/main_window.h"
#include "core/settings_store.h"
#include "app/suite.h"
#include "monkey.h"
#include "monkey_target.h"
#include "support/emulator_process.h"
#include "support/fakes.h"
#include "ui/window_surfaces.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

// The offscreen platform says so for every window and popup; the monkey opens many.
QtMessageHandler qtMessages = nullptr;
void dropOffscreenNotices(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.startsWith(QLatin1String("This plugin does not support")))
        return;
    if (qtMessages)
        qtMessages(type, context, text);
}

// Runs the event loop until `done` holds or `ms` have passed.
bool waitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    QTimer beat;
    beat.start(20); // WaitForMoreEvents needs something to wake it
    while (!done() && clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

} // namespace

TEST(Monkey, RandomInputAndRadioFaultsNeverHangCrashLoseRecordsOrStrandTheRadio) {
    const MonkeyOptions options = MonkeyOptions::fromEnvironment();
    ActionLog log(options.seed, options.replayHint(),
                  QDir::current().absoluteFilePath(options.logPath));
    log.reportOnCrash();
    qtMessages = qInstallMessageHandler(dropOffscreenNotices);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // The radio behind a symlink that follows it when a dropped link comes back.
    const QString link = dir.filePath(QStringLiteral("rm7700"));
    EmulatorProcess emulator;
    ASSERT_TRUE(emulator.start({QStringLiteral("--link"), link, QStringLiteral("--baud"),
                                QStringLiteral("57600"), QStringLiteral("--sync-delay"),
                                QStringLiteral("300"), QStringLiteral("--seed"),
                                QString::number(options.seed)}));

    ScriptedMessages messages;
    StatusBarText status;
    WindowSurfaces surfaces;
    SettingsStore store(dir.filePath(QStringLiteral("settings.ini")));
    Suite suite(messages, status, surfaces);
    suite.link.DeviceOverride = link;
    MainWindow window(suite, store, surfaces, status);
    ASSERT_TRUE(window.Form_Load([](Settings& s) { s.ConnectionType = 0; }));
    window.openDocument = [](const QString&) { return true; }; // no browser in a test
    ScriptedFileDialogs dialogs;
    window.setFileDialogs(dialogs);
    window.resize(1200, 800);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(waitFor([&] { return window.MainWindowActivated; }, 5000));

    MonkeyTarget target{window, suite, emulator, dialogs, messages, dir.path(), {}};
    Monkey monkey(target, options, log);
    monkey.run();
    if (monkey.failures().isEmpty())
        log.save(); // a failure has written it already, with the reason

    std::printf("%s\n", qPrintable(monkey.summary()));
    std::fflush(stdout);
    for (const QString& failure : monkey.failures())
        ADD_FAILURE() << qPrintable(failure) << "\n  replay: " << qPrintable(options.replayHint())
                      << "\n  actions: " << qPrintable(options.logPath);
    qInstallMessageHandler(qtMessages);
}
