#pragma once

#include <QString>

// Modal questions and notices. The windows implement this with QMessageBox; tests
// use a scripted implementation that records what was shown.
class MessageBoxes {
public:
    enum class Answer { Yes, No, Cancel };

    virtual ~MessageBoxes() = default;
    // A notice with an OK button.
    virtual void showMessage(const QString& text) = 0;
    // A question with Yes, No and Cancel buttons.
    virtual Answer askYesNoCancel(const QString& text) = 0;
};
