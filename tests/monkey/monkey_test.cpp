// The seeded monkey: the whole suite with its real main window (offscreen) on a
// fresh rm7700-emu, driven by random real clicks and keys while the radio misbehaves.
// See monkey.h for what it checks, monkey_options.h for replaying a failed run.

#include "app/main_window.h"
#include "app/suite.h"
#include "core/settings_store.h"
#include "monkey.h"
#include "support/emulator_process.h"
#include "support/fakes.h"
#include "ui/window_surfaces.h"
#include "user_actions.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {
// The offscreen platform says so for every window and popup; the monkey opens many.
QtMessageHandler qtMessages = nullptr;
void dropOffscreenNotices(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (!text.startsWith(QLatin1String("This plugin does not support")) && qtMessages)
        qtMessages(type, context, text);
}
} // namespace

TEST(Monkey, RandomInputAndRadioFaultsNeverHangCrashLoseRecordsOrStrandTheRadio) {
    const MonkeyOptions options;
    qtMessages = qInstallMessageHandler(dropOffscreenNotices);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // The radio behind a symlink that follows it when a dropped link comes back.
    const QString link = dir.filePath(QStringLiteral("rm7700"));
    EmulatorProcess emulator;
    ASSERT_TRUE(emulator.start(QStringLiteral("--link %1 --baud 57600 --sync-delay 300 --seed %2")
                                   .arg(link)
                                   .arg(options.seed)
                                   .split(QLatin1Char(' '))));

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
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.MainWindowActivated; }, 5000));

    MonkeyTarget target{window, suite, emulator, dialogs, messages, dir.path(), {}};
    for (const QString& failure : runMonkey(target, options))
        ADD_FAILURE() << qPrintable(failure) << "\n  replay: " << qPrintable(options.replayHint())
                      << "\n  actions: " << qPrintable(options.logPath);
    qInstallMessageHandler(qtMessages);
}
