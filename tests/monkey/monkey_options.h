#pragma once

#include <QStringList>

// How long the monkey runs and with which seed, from the environment, so that a
// failed run can be replayed and a long one started without rebuilding:
//   VELTRANE_MONKEY_SEED       seed of every random choice (default 1, as in CI)
//   VELTRANE_MONKEY_SECONDS    length of the random part (default 60)
//   VELTRANE_MONKEY_KEEP_GOING 1: note a failed invariant and carry on (default: stop
//                              the random input and go to the exit checks)
//   VELTRANE_MONKEY_SKIP       action names, comma-separated, that do nothing (their
//                              random draws are still made, so the rest of the
//                              sequence stays the same), e.g. "leave or come back,keys"
//   VELTRANE_MONKEY_LOG        where the action log goes (default monkey-SEED.log)
struct MonkeyOptions {
    unsigned seed = qEnvironmentVariable("VELTRANE_MONKEY_SEED", "1").toUInt();
    double seconds = qEnvironmentVariable("VELTRANE_MONKEY_SECONDS", "60").toDouble();
    bool keepGoing = qEnvironmentVariable("VELTRANE_MONKEY_KEEP_GOING") == QLatin1String("1");
    QStringList skipped =
        qEnvironmentVariable("VELTRANE_MONKEY_SKIP").split(',', Qt::SkipEmptyParts);
    QString logPath =
        qEnvironmentVariable("VELTRANE_MONKEY_LOG", QString("monkey-%1.log").arg(seed));
};
