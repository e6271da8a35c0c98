#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class MainWindow;
class Suite;
class EmulatorProcess;
class ScriptedFileDialogs;
class ScriptedMessages;
class QAction;
class QComboBox;
class QWidget;

// What the monkey plays with: the real main window of a suite on the emulator, and
// the scripted answers of its file dialogs and message boxes.
struct MonkeyTarget {
    MainWindow& window;
    Suite& suite;
    EmulatorProcess& emulator;
    ScriptedFileDialogs& dialogs;
    ScriptedMessages& messages;
    QString folder;         // where recordings are made
    QStringList recordings; // the recordings made so far (Load File picks from them)
};

// The user's side of the monkey: every kind of input a user can give the suite, each
// chosen with a weight and shaped by two random numbers (which button, which cell,
// which answer) against the windows as they are at that moment. Each logs what it
// does before the real QTest clicks and keys, which may not return for a long time
// (Play runs until Stop).
class UserActions {
public:
    struct Kind {
        const char* name;
        double weight;
        std::function<void(quint32, quint32)> act;
    };

    explicit UserActions(MonkeyTarget& target);
    const std::vector<Kind>& kinds() const { return kinds_; }
    std::function<void(const QString&)> say; // logs what is about to be done

    // The answer to the modal dialog in front (the user cannot reach anything else
    // while it is open); false when none is open.
    bool answerModalDialog(quint32 a);
    // Pieces of the checks' own sequences, as the user would do them.
    void clickStop();
    void menu(const QString& title, const QString& entry);
    void acceptPortSelectOnSerialPort();

private:
    void clickOn(QWidget* widget, const QString& what = {});
    void escapeTo(QWidget* widget);
    void clickTool(const QString& what, QAction* action);
    void arrowOn(QComboBox* selector, bool down);
    void answerDialog(quint32 a, quint32 b);

    MonkeyTarget& t_;
    std::vector<Kind> kinds_;
    int recordingsMade_ = 0;
};
