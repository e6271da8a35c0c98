#include "app/smoke_run.h"

#include "app/suite.h"

#include <QTimer>
#include <cstdio>

namespace {

// Collects what the radio streams for `ms` milliseconds.
QByteArray collectFor(Suite& suite, int ms) {
    suite.link.ReceiveBuffer.clear();
    bool elapsed = false;
    QTimer::singleShot(ms, [&elapsed] { elapsed = true; });
    suite.wait.until([&] { return elapsed; });
    return suite.link.ReceiveBuffer;
}

bool reach(Suite& suite, std::int32_t mode) {
    suite.modes.ChangeRadioState(mode, false);
    const bool ok = suite.modes.RadioState == mode;
    if (!ok)
        std::printf("The radio did not reach: %s\n",
                    qPrintable(ModeProtocol::radioStateText(mode)));
    return ok;
}

} // namespace

int RunRadioSmokeCheck(Suite& suite) {
    // One attempt per step at most: a radio that does not answer ends the check.
    suite.flags.StopRequested = false;

    suite.modes.ReadLocalRadioAddress();
    if (suite.modes.LocalRadioAddress.size() != 3)
        return 1;
    std::printf("Radio address: %s\n",
                suite.modes.LocalRadioAddress.toHex(' ').toUpper().constData());

    if (!reach(suite, ModeProtocol::BinReport))
        return 1;
    const QByteArray reports = collectFor(suite, 1000);
    std::printf("Bin report mode: %lld bytes in 1 s\n", static_cast<long long>(reports.size()));

    if (!reach(suite, ModeProtocol::Config))
        return 1;
    if (!reach(suite, ModeProtocol::Acquisition))
        return 1;
    const QByteArray records = collectFor(suite, 1000);
    std::printf("Acquisition mode: %lld bytes in 1 s\n", static_cast<long long>(records.size()));

    if (!reach(suite, ModeProtocol::Normal))
        return 1;
    std::printf("Radio check passed.\n");
    return 0;
}
