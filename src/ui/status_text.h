#pragma once

#include <QString>

// Panel 1 of the main window's status bar, where the radio's mode is shown
// ("Radio State: Normal Mode", ...).
class StatusText {
public:
    virtual ~StatusText() = default;
    virtual void setRadioStateText(const QString& text) = 0;
};
