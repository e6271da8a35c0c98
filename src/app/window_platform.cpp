#include "app/window_platform.h"

#include <QCoreApplication>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace {

struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};

std::mutex heldLock;
std::vector<HeldMessage> held;
QtMessageHandler previousHandler = nullptr;

// The toolkit's reason for a platform that did not start: its first word from the
// window system plugins ("could not connect to display :7"), else the first line
// of the fatal message itself.
QString platformFailure(const QString& fatalText) {
    for (const HeldMessage& message : held)
        if (message.category.startsWith("qt.qpa"))
            return message.text;
    return fatalText.section(QLatin1Char('\n'), 0, 0);
}

void holdOrReport(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    const std::lock_guard<std::mutex> lock(heldLock);
    if (type != QtFatalMsg) {
        held.push_back({type, QByteArray(context.category), text});
        return;
    }
    ReportWindowNotOpened(platformFailure(text));
    std::fflush(nullptr);
    // Not abort(): no core dump for a missing display. Nothing half-built is
    // destroyed on the way out.
    std::_Exit(1);
}

} // namespace

QString MissingDisplayReason(const QString& platformOption) {
    if (!platformOption.isEmpty() || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return QString(); // as named; the start guard reports a platform that fails
    if (!qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return QString();
    return QStringLiteral("no display (DISPLAY is not set); --check tests the radio without one");
}

void ReportWindowNotOpened(const QString& reason) {
    std::fprintf(stderr, "%s: cannot open the window: %s\n",
                 qPrintable(QCoreApplication::applicationName()), qPrintable(reason));
}

PlatformStartGuard::PlatformStartGuard() {
    previousHandler = qInstallMessageHandler(holdOrReport);
}

PlatformStartGuard::~PlatformStartGuard() {
    qInstallMessageHandler(previousHandler);
    std::vector<HeldMessage> messages;
    {
        const std::lock_guard<std::mutex> lock(heldLock);
        messages.swap(held);
    }
    for (const HeldMessage& message : messages) {
        const QMessageLogContext context(nullptr, 0, nullptr, message.category.constData());
        qt_message_output(message.type, context, message.text);
    }
}
