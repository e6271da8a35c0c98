#pragma once

// What the user reaches with the mouse in the main window: a menu entry, a button
// found by its caption.

#include "app/main_window.h"
#include "support/suite_fixture.h"

#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

// Opens `title` in the menu bar with the mouse and clicks its `entry`.
inline void chooseFromMenu(MainWindow& window, const QString& title, const QString& entry) {
    QMenuBar* bar = window.menuBar();
    QAction* titleAction = nullptr;
    for (QAction* action : bar->actions())
        if (action->text() == title)
            titleAction = action;
    ASSERT_TRUE(titleAction && titleAction->menu()) << qPrintable(title);
    QMenu* menu = titleAction->menu();
    QAction* item = nullptr;
    for (QAction* action : menu->actions())
        if (action->text() == entry)
            item = action;
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

// The push button captioned `text` inside `parent`, or null.
inline QPushButton* buttonCalled(QWidget* parent, const QString& text) {
    for (QPushButton* button : parent->findChildren<QPushButton*>())
        if (button->text() == text)
            return button;
    return nullptr;
}
