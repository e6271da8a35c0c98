#include "action_log.h"

#include <QFile>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#define VELTRANE_MONKEY_SANITIZED 1
#endif

namespace {
// The log the crash handlers print; plain pointers, read from a signal handler.
ActionLog* crashLog = nullptr;
volatile std::sig_atomic_t crashReported = 0;
// The text is kept in a buffer reserved up front, so that appending rarely moves it
// while a crash handler might read it.
constexpr std::size_t kReservedLogBytes = 8u << 20;
// Lines of the log shown on stderr when an invariant fails; the file has them all.
constexpr int kLinesShown = 400;

void writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written <= 0)
            return;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
}
} // namespace

ActionLog::ActionLog(unsigned seed, const QString& replayHint, const QString& filePath)
    : seed_(seed), filePath_(filePath.toStdString()) {
    header_ =
        "monkey seed " + std::to_string(seed) + "\nreplay: " + replayHint.toStdString() + "\n";
    text_.reserve(kReservedLogBytes);
    clock_.start();
}

ActionLog::~ActionLog() {
    if (crashLog == this)
        crashLog = nullptr;
}

double ActionLog::secondsSinceStart() const {
    return static_cast<double>(clock_.elapsed()) / 1000.0;
}

void ActionLog::add(int number, int depth, const QString& what) {
    ++actions_;
    append(QStringLiteral("+%1 s #%2 [%3] %4")
               .arg(secondsSinceStart(), 0, 'f', 3)
               .arg(number)
               .arg(depth)
               .arg(what));
}

void ActionLog::note(const QString& what) {
    append(QStringLiteral("+%1 s -- %2").arg(secondsSinceStart(), 0, 'f', 3).arg(what));
}

void ActionLog::append(const QString& line) {
    const std::lock_guard<std::mutex> lock(mutex_);
    text_ += line.toStdString();
    text_ += '\n';
}

std::string ActionLog::text() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return header_ + text_;
}

void ActionLog::save() const {
    const std::string all = text();
    QFile file(QString::fromStdString(filePath_));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(all.data(), static_cast<qint64>(all.size()));
}

void ActionLog::report(const QString& why) {
    const std::string all = text();
    const std::string reason = "MONKEY FAILURE: " + why.toStdString() + "\n";
    {
        QFile file(QString::fromStdString(filePath_));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            file.write(all.data(), static_cast<qint64>(all.size()));
            file.write(reason.data(), static_cast<qint64>(reason.size()));
        }
    }
    // The last lines are what led to the failure.
    std::size_t from = all.size();
    for (int lines = 0; lines <= kLinesShown && from > 0; ++lines)
        from = all.rfind('\n', from - 1);
    const std::string tail = from == std::string::npos || from == 0 ? all : all.substr(from + 1);
    std::fprintf(stderr, "%s%s%s(the whole log is in %s)\n", header_.c_str(),
                 tail.size() < all.size() ? "...\n" : "", tail.c_str(), filePath_.c_str());
    std::fprintf(stderr, "%s", reason.c_str());
    std::fflush(stderr);
}

void ActionLog::writeForCrash() {
    if (!crashLog || crashReported)
        return;
    crashReported = 1;
    const ActionLog& log = *crashLog;
    static const char kTitle[] = "\nMONKEY CRASH: the actions so far\n";
    writeAll(2, kTitle, sizeof kTitle - 1);
    writeAll(2, log.header_.data(), log.header_.size());
    writeAll(2, log.text_.data(), log.text_.size());
    const int fd = ::open(log.filePath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) {
        writeAll(fd, log.header_.data(), log.header_.size());
        writeAll(fd, log.text_.data(), log.text_.size());
        writeAll(fd, kTitle + 1, sizeof kTitle - 2);
        ::close(fd);
    }
}

void ActionLog::reportOnCrash() {
    crashLog = this;
    // A stack overflow (waits nested too deeply) leaves no stack for the handler.
    static char handlerStack[1 << 16];
    stack_t alternate = {};
    alternate.ss_sp = handlerStack;
    alternate.ss_size = sizeof handlerStack;
    sigaltstack(&alternate, nullptr);
    struct sigaction action = {};
    // Writes the log and returns: the handler is reset to the default, so the
    // faulting instruction (or abort's own second raise) ends the process as before.
    action.sa_handler = [](int) { writeForCrash(); };
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_ONSTACK;
    // Qt's and the program's own aborts (qFatal, a failed assertion).
    sigaction(SIGABRT, &action, nullptr);
#ifdef VELTRANE_MONKEY_SANITIZED
    // The sanitizer reports memory errors itself, then calls this on its way out.
    __sanitizer_set_death_callback(&ActionLog::writeForCrash);
#else
    for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL})
        sigaction(signal, &action, nullptr);
#endif
}
