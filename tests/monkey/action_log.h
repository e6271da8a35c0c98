#pragma once

#include <QElapsedTimer>
#include <QString>
#include <mutex>
#include <string>

// What the monkey has done so far, so that a failed run can be replayed: the seed,
// then one line per action ("+12.345 s #57 [1] click Play": time since the start,
// number, how many earlier actions were still running beneath it, what was done).
// Printed when an invariant fails, and by the crash handlers when the process dies
// (a signal, or a sanitizer's report), which only write what is already formatted.
class ActionLog {
public:
    // `replayHint` is printed with the log: how to run the same sequence again.
    ActionLog(unsigned seed, const QString& replayHint, const QString& filePath);
    ~ActionLog();
    ActionLog(const ActionLog&) = delete;
    ActionLog& operator=(const ActionLog&) = delete;

    // Notes action number `number`, started with `depth` earlier actions still
    // running beneath it.
    void add(int number, int depth, const QString& what);
    // Notes something that is not an action (a check, a phase).
    void note(const QString& what);
    int actions() const { return actions_; }
    double secondsSinceStart() const;

    // The seed, the reason, the last actions on stderr; the whole log in the file.
    void report(const QString& why);

    // The whole log into the file (also when nothing failed, to see what was done).
    void save() const;

    // Whoever kills the process prints the log first: fatal signals, and the
    // sanitizers' death callback in a sanitizer build. One log at a time.
    void reportOnCrash();

    // The whole text (thread-safe: the hang watcher reads it from its thread).
    std::string text() const;

private:
    void append(const QString& line);
    static void writeForCrash();

    unsigned seed_;
    std::string header_;
    std::string filePath_;
    QElapsedTimer clock_;
    mutable std::mutex mutex_;
    std::string text_;
    int actions_ = 0;
};
