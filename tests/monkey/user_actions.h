#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

struct MonkeyTarget;

// The user's side of the monkey: every kind of input a user can give the suite, each
// chosen with a weight. An action is prepared from two random numbers (which button,
// which cell, which answer) against the windows as they are at that moment, and
// comes back as a description for the log and the input itself, delivered after the
// description has been logged: the input may not return for a long time (Play runs
// until Stop).
class UserActions {
public:
    struct Step {
        QString what;                // for the log; empty: nothing to do now
        std::function<void()> input; // the clicks and keys
    };

    explicit UserActions(MonkeyTarget& target);

    int count() const { return static_cast<int>(kinds_.size()); }
    QString name(int kind) const { return kinds_[static_cast<std::size_t>(kind)].name; }
    std::vector<double> weights() const;

    Step prepare(int kind, quint32 a, quint32 b);
    // The answer to the modal dialog in front (the user cannot reach anything else
    // while it is open); nothing when none is open.
    Step answerModalDialog(quint32 a);

    // Pieces of the checks' own sequences, as the user would do them.
    Step clickStop();
    Step openPortSelect();
    Step acceptPortSelectOnSerialPort();
    Step chooseFileExit();

private:
    struct Kind {
        QString name;
        double weight;
        std::function<Step(quint32, quint32)> prepare;
    };
    void add(const char* name, double weight, std::function<Step(quint32, quint32)> prepare);
    void addTransport();
    void addNetworkWindow();
    void addKeyboard();
    void addWindowsAndDialogs();

    Step clickToolbar(const char* what, int bar, class QAction* action);
    Step answerDialog(quint32 a, quint32 b);
    QString newRecordingPath();

    MonkeyTarget& t_;
    std::vector<Kind> kinds_;
    int recordingsMade_ = 0;
};
