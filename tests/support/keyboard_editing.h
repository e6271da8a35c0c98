#pragma once

#include "support/suite_fixture.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

// Gives `box` the keyboard with a click, as the user does.
inline void clickIntoBox(QLineEdit* box) {
    box->window()->activateWindow();
    QTest::mouseClick(box, Qt::LeftButton);
    ASSERT_TRUE(runEventsUntil([box] { return box->hasFocus(); }, 2000));
}

// Delete and Shift+Tab with the texts the X11 desktop gives them ("\x7f", "\t").
inline void pressDelete(QWidget* widget) {
    QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_Delete, QStringLiteral("\x7f"),
                        Qt::NoModifier);
}
inline void pressShiftTab(QWidget* widget) {
    QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_Backtab, QStringLiteral("\t"),
                        Qt::ShiftModifier);
}

// A keyboard user in a box that takes digits: the editing keys edit, the moving
// keys move, Tab leaves and Shift+Tab comes back; digits are typed and letters
// refused. `box` holds two digits that it accepts, e.g. "12", and has the focus.
inline void expectKeyboardEditing(QLineEdit* box) {
    const QString start = box->text();
    ASSERT_EQ(start.size(), 2);
    QTest::keyClick(box, Qt::Key_End);
    EXPECT_EQ(box->cursorPosition(), 2);
    EXPECT_FALSE(box->hasSelectedText());
    QTest::keyClick(box, Qt::Key_Backspace);
    EXPECT_EQ(box->text(), start.left(1));
    QTest::keyClick(box, Qt::Key_Home);
    EXPECT_EQ(box->cursorPosition(), 0);
    pressDelete(box);
    EXPECT_TRUE(box->text().isEmpty()) << qPrintable(box->text());
    QTest::keyClicks(box, QStringLiteral("7x3"));
    EXPECT_EQ(box->text(), QStringLiteral("73"));
    QTest::keyClick(box, Qt::Key_Left);
    EXPECT_EQ(box->cursorPosition(), 1);
    QTest::keyClick(box, Qt::Key_Right);
    EXPECT_EQ(box->cursorPosition(), 2);

    QTest::keyClick(box, Qt::Key_Tab);
    QWidget* next = QApplication::focusWidget();
    EXPECT_NE(next, box) << "Tab did not leave the box";
    ASSERT_TRUE(next);
    pressShiftTab(next);
    EXPECT_EQ(QApplication::focusWidget(), box) << "Shift+Tab did not come back";
}
