#pragma once

#include <QKeyEvent>

// The character a key press types into a box, or a null QChar for the keys that
// move or edit instead: Tab, Shift+Tab, Delete, Backspace, the arrows, Home, End,
// Enter, Escape. The boxes' key filters judge typed characters only; the other
// keys always do their usual work. Qt hands Tab over with the text "\t" and
// Delete with "\x7f", so a filter that looked at the text alone would swallow
// them and a keyboard user could not leave or edit the box.
inline QChar TypedCharacter(const QKeyEvent& key) {
    const QString text = key.text();
    if (text.isEmpty() || !text.at(0).isPrint())
        return QChar();
    return text.at(0);
}
