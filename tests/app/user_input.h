#pragma once

// What the user reaches with the mouse in the main window on the emulator: a menu
// entry, a button found by its caption, the analyzer windows and their controls.

#include "app/main_window.h"
#include "hopbin/hop_bin_window.h"
#include "link/radio_commands.h"
#include "network/network_window.h"
#include "spectrum/spectrum_window.h"
#include "support/main_window_fixture.h"

#include <QComboBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolBar>

// The radio's configuration mode is entered and left with these, around commands.
inline const QByteArray kEnterAt = QByteArrayLiteral("AT+++\r");
inline const QByteArray kLeaveAt = radio::bytes({0xCC, 'A', 'T', 'O', 0x0D});

// Opens `title` in the menu bar with the mouse and clicks its `entry`.
inline void chooseFromMenu(MainWindow& window, const QString& title, const QString& entry) {
    QMenuBar* bar = window.menuBar();
    QAction* titleAction = called(bar->actions(), title);
    ASSERT_TRUE(titleAction && titleAction->menu()) << qPrintable(title);
    QMenu* menu = titleAction->menu();
    QAction* item = called(menu->actions(), entry);
    ASSERT_TRUE(item) << qPrintable(entry);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(titleAction).center());
    ASSERT_TRUE(runEventsUntil([&] { return menu->isVisible(); }));
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
    ASSERT_TRUE(runEventsUntil([&] { return !menu->isVisible(); }));
}

// A recording of `records`, 16 bytes each, as the suite writes them.
inline void writeRecords(const QString& path, const std::vector<FileVar>& records) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    for (const FileVar& record : records)
        file.write(encodeRecord(record).data(), 16);
}
