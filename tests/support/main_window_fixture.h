#pragma once

#include "app/main_window.h"
#include "app/suite.h"
#include "core/settings_store.h"
#include "support/emulator_process.h"
#include "support/fakes.h"
#include "support/suite_fixture.h"
#include "ui/window_surfaces.h"

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <memory>

// The one of `items` (actions, buttons) captioned `text`, or null.
template <typename Item> Item* called(const QList<Item*>& items, const QString& text) {
    for (Item* item : items)
        if (item->text() == text)
            return item;
    return nullptr;
}

// The push button captioned `text` inside `parent`, or null.
inline QPushButton* buttonCalled(QWidget* parent, const QString& text) {
    return called(parent->findChildren<QPushButton*>(), text);
}

// The whole suite with its real main window (offscreen), its settings in a
// temporary store and its radio link on a fresh rm7700-emu.
class MainWindowOnEmulator : public ::testing::Test {
protected:
    // `keepStartUpPlace`: the window stays where start-up put it instead of 1200 x 800.
    void startSuite(const QStringList& emulatorArgs = {}, const QByteArray& storedSettings = {},
                    bool keepStartUpPlace = false) {
        ASSERT_TRUE(emulator.start(emulatorArgs));
        settingsPath = dir.filePath(QStringLiteral("settings.ini"));
        if (!storedSettings.isEmpty()) {
            QFile file(settingsPath);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(storedSettings);
        }
        store = std::make_unique<SettingsStore>(settingsPath);
        suite = std::make_unique<Suite>(messages, status, surfaces);
        suite->link.DeviceOverride = emulator.devicePath();
        window = std::make_unique<MainWindow>(*suite, *store, surfaces, status);
        ASSERT_TRUE(window->Form_Load([](Settings& s) { s.ConnectionType = 0; }));
        if (!keepStartUpPlace)
            window->resize(1200, 800);
        window->show();
        ASSERT_TRUE(runEventsUntil([this] { return window->MainWindowActivated; }));
    }

    // Runs `during` while a live run started with Play goes on, then presses Stop
    // (unless `during` closed the window); returns when Play has returned.
    void playFor(int ms, const std::function<void()>& during) {
        bool returned = false;
        QTimer::singleShot(0, window.get(), [this, &returned] {
            window->playAction()->trigger();
            returned = true;
        });
        QTimer::singleShot(ms, window.get(), [this, during] {
            during();
            if (!suite->flags.ApplicationClosing)
                window->stopAction()->trigger();
        });
        ASSERT_TRUE(runEventsUntil([&returned] { return returned; }, ms + 10000));
    }

    QString storedText() {
        QFile file(settingsPath);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    ScriptedMessages messages;
    StatusBarText status;
    WindowSurfaces surfaces;
    EmulatorProcess emulator;
    QTemporaryDir dir;
    QString settingsPath;
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<Suite> suite;
    std::unique_ptr<MainWindow> window;
};
