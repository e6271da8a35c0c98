#include "radio_faults.h"

#include "control_queue.h"

#include <QStringList>

RadioFaults::Episode RadioFaults::choose(quint32 a, quint32 b) {
    const int lasting = 300 + static_cast<int>(b % 3700); // 0.3 .. 4 s
    switch (a % 6) {
    case 0:
        return {QStringLiteral("radio silent for %1 ms").arg(lasting), QStringLiteral("silent 1"),
                QStringLiteral("silent 0"), lasting};
    case 1: {
        const int junk = 1 + static_cast<int>(b / 7 % 8);
        return {QStringLiteral("%1 junk bytes before every reply for %2 ms").arg(junk).arg(lasting),
                QStringLiteral("garbage %1").arg(junk), QStringLiteral("garbage 0"), lasting};
    }
    case 2: {
        const int pieces = 2 + static_cast<int>(b / 7 % 3);
        return {QStringLiteral("replies in %1 pieces for %2 ms").arg(pieces).arg(lasting),
                QStringLiteral("split %1").arg(pieces), QStringLiteral("split 1"), lasting};
    }
    case 3: {
        const int late = 100 + static_cast<int>(b / 7 % 1500);
        return {QStringLiteral("replies %1 ms late for %2 ms").arg(late).arg(lasting),
                QStringLiteral("late %1").arg(late), QStringLiteral("late 0"), lasting};
    }
    case 4: {
        const int away = 200 + static_cast<int>(b % 2800);
        return {QStringLiteral("link dropped for %1 ms").arg(away),
                QStringLiteral("drop %1").arg(away), QString(), 0};
    }
    default: {
        QStringList bytes;
        for (quint32 n = 0, x = b; n < 1 + b % 6; ++n, x = x * 1103515245u + 12345u)
            bytes << QStringLiteral("%1").arg(x >> 24, 2, 16, QLatin1Char('0')).toUpper();
        return {QStringLiteral("stray bytes %1").arg(bytes.join(QLatin1Char(' '))),
                QStringLiteral("inject %1").arg(bytes.join(QLatin1Char(' '))), QString(), 0};
    }
    }
}

void RadioFaults::start(const Episode& episode) {
    ++started_;
    control_.send(episode.on);
}

void RadioFaults::end(const Episode& episode) {
    if (!episode.off.isEmpty())
        control_.send(episode.off);
}

void RadioFaults::allOff() {
    for (const char* off : {"silent 0", "garbage 0", "split 1", "late 0"})
        control_.send(QString::fromLatin1(off));
}
