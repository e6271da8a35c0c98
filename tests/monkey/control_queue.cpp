#include "control_queue.h"

#include "support/emulator_process.h"

#include <QStringList>

void ControlQueue::send(const QString& line, std::function<void(const QString&)> done) {
    queue_.push_back({line, std::move(done)});
    if (busy_)
        return;
    busy_ = true;
    while (!queue_.empty()) {
        Command command = std::move(queue_.front());
        queue_.pop_front();
        const QString reply = emulator_.command(command.line);
        if (command.done)
            command.done(reply);
    }
    busy_ = false;
}

RadioState RadioState::parse(const QString& reply) {
    // "ok mode=1 own=123456 dest=FFFFFF option=02 sync=1 point=0"
    RadioState state;
    if (!reply.startsWith(QLatin1String("ok ")))
        return state;
    for (const QString& field : reply.mid(3).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString key = field.section(QLatin1Char('='), 0, 0);
        const QString value = field.section(QLatin1Char('='), 1);
        if (key == QLatin1String("mode"))
            state.mode = value.toInt();
        else if (key == QLatin1String("own"))
            state.own = value;
        else if (key == QLatin1String("dest"))
            state.destination = value;
    }
    state.valid = state.mode >= 0 && !state.own.isEmpty();
    return state;
}

QString RadioState::text() const {
    return valid ? QStringLiteral("mode=%1 own=%2 dest=%3").arg(mode).arg(own, destination)
                 : QStringLiteral("(no answer)");
}
