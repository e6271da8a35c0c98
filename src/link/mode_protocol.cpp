#include "link/mode_protocol.h"

#include "core/event_wait.h"
#include "core/settings.h"
#include "core/stop_flags.h"
#include "link/answer_match.h"
#include "link/link_status_display.h"
#include "link/radio_commands.h"
#include "link/radio_link.h"
#include "ui/status_text.h"

namespace {
constexpr int kCommandTimeoutMs = 1000;

bool isMode(std::int32_t state) {
    return state == ModeProtocol::Normal || state == ModeProtocol::AtCommand ||
           state == ModeProtocol::Config || state == ModeProtocol::BinReport ||
           state == ModeProtocol::Acquisition;
}

bool startsWithLead(const QByteArray& buffer) {
    return !buffer.isEmpty() && static_cast<unsigned char>(buffer.front()) == radio::kLead;
}
} // namespace

ModeProtocol::ModeProtocol(RadioLink& link, const Settings& settings, StopFlags& flags,
                           const EventWait& wait, LinkStatusDisplay& status, StatusText& statusBar,
                           QObject* parent)
    : QObject(parent), link_(link), settings_(settings), flags_(flags), wait_(wait),
      status_(status), statusBar_(statusBar) {
    commandTimer_.setSingleShot(true);
    commandTimer_.setInterval(kCommandTimeoutMs);
    commandTimer_.setTimerType(Qt::PreciseTimer);
    connect(&commandTimer_, &QTimer::timeout, this, [this] { CommandTimedOut = true; });
}

QString ModeProtocol::radioStateText(std::int32_t state) {
    switch (state) {
    case Normal:
        return QStringLiteral("Radio State: Normal Mode");
    case AtCommand:
        return QStringLiteral("Radio State: AT Command Mode Entered");
    case Config:
        return QStringLiteral("Radio State: Config Mode Entered");
    case BinReport:
        return QStringLiteral("Radio State: Bin Report Mode");
    case Acquisition:
        return QStringLiteral("Radio State: Acquisition Mode");
    default:
        return {};
    }
}

void ModeProtocol::startCommandTimer() {
    if (!commandTimer_.isActive())
        commandTimer_.start();
}

void ModeProtocol::stopCommandTimer() {
    commandTimer_.stop();
}

bool ModeProtocol::send(const QByteArray& bytes) {
    link_.SendBuffer = bytes;
    sendFailed_ = link_.SendToRadio(0) != 0;
    openWhenSent_ = link_.PortIsOpen;
    return !sendFailed_;
}

// No answer can come over a link that is known to be down: the send found it
// unusable, or the port went away after the bytes went out.
bool ModeProtocol::linkDownSinceSend() const {
    return sendFailed_ || (openWhenSent_ && !link_.PortIsOpen);
}

void ModeProtocol::setState(std::int32_t state) {
    RadioState = state;
    statusBar_.setRadioStateText(radioStateText(state));
}

bool ModeProtocol::waitForAnswer(const ExpectedAnswer& answer) {
    return wait_.until([&] {
        // A dead link times the step out now rather than at the end of the period
        // (the shut-down's exchanges would otherwise each stall for it).
        if (linkDownSinceSend()) {
            stopCommandTimer();
            CommandTimedOut = true;
            return true;
        }
        // A click handled inside this wait (Stop, a radio chosen in the network
        // window) may run exchanges of its own, which stop the shared command timer
        // when they end. This wait would then never time out: give it a new period.
        if (!CommandTimedOut && !commandTimer_.isActive())
            commandTimer_.start();
        return CommandTimedOut || answer.isSatisfiedBy(link_.ReceiveBuffer);
    });
}

// The retry loops end on Stop, and also while the program closes: every exchange
// then fails at once, and retrying would only spin.
bool ModeProtocol::stopping() const {
    return flags_.StopRequested || flags_.ApplicationClosing;
}

bool ModeProtocol::ExchangeCommand(const QByteArray& command, bool enterAT, bool enterConfig,
                                   const QByteArray& expected, int count, bool exitConfig,
                                   bool exitAT) {
    if (flags_.ApplicationClosing)
        return false;
    QByteArray& received = link_.ReceiveBuffer;
    CommandTimedOut = false;
    bool commandAnswered = false;

    if (enterAT) {
        received.clear();
        send(radio::enterAtCommand());
        startCommandTimer();
        CommandTimedOut = false;
        if (!waitForAnswer(ExpectedAnswer::containing(radio::enterAtAnswer())))
            return false;
        received.clear();
        if (!CommandTimedOut)
            setState(AtCommand);
        // The timer keeps running: a command that follows shares this period.
    }

    if (enterConfig && !CommandTimedOut) {
        stopCommandTimer();
        received.clear();
        send(radio::enterConfig());
        startCommandTimer();
        CommandTimedOut = false;
        if (!waitForAnswer(ExpectedAnswer::containing(radio::enterConfigAnswer())))
            return false;
        stopCommandTimer();
        received.clear();
        if (!CommandTimedOut)
            setState(Config);
    }

    if (!command.isEmpty() && !CommandTimedOut) {
        received.clear();
        send(command);
        startCommandTimer();
        const ExpectedAnswer answer = expected.isEmpty() ? ExpectedAnswer::atLeast(count)
                                                         : ExpectedAnswer::containing(expected);
        if (!waitForAnswer(answer))
            return false;
        stopCommandTimer();
        if (!CommandTimedOut) {
            commandAnswered = true;
            answer.consume(received); // what follows the reply stays for the caller
            if (command == radio::binReportOn())
                setState(BinReport);
            else if (command == radio::acquisitionOn())
                setState(Acquisition);
            else if (command == radio::binReportOff() || command == radio::acquisitionOff())
                setState(AtCommand);
        }
    }

    if (exitConfig && !CommandTimedOut) {
        stopCommandTimer();
        received.clear();
        send(radio::leaveConfig());
        startCommandTimer();
        CommandTimedOut = false;
        if (!waitForAnswer(ExpectedAnswer::endingWith(radio::kLeaveConfigAnswerLast)))
            return false;
        stopCommandTimer();
        received.clear();
        if (!CommandTimedOut)
            setState(AtCommand);
    }

    if (exitAT && !CommandTimedOut) {
        stopCommandTimer();
        received.clear();
        send(radio::leaveAtCommand());
        startCommandTimer();
        CommandTimedOut = false;
        if (!waitForAnswer(ExpectedAnswer::containing(radio::leaveAtAnswer())))
            return false;
        stopCommandTimer();
        if (!CommandTimedOut)
            setState(Normal);
        received.clear();
    }

    if (!CommandTimedOut) {
        ModeUncertain = false; // every step answered: the radio is where the record says
        status_.reportGood();
        return true;
    }
    // An answer that did not come in time may still come: the radio may have taken
    // the command after all.
    ModeUncertain = true;
    status_.reportFailure();
    return commandAnswered;
}

void ModeProtocol::exchangeStepDown(bool retry) {
    const QByteArray none;
    // A retry first says "AT+++": the radio answers it in every mode, so a radio
    // that is not where the mode record says (an answer that came too late, a radio
    // that restarted while the link was away) is brought back to AT command mode and
    // can be walked down from there. Without it the walk would wait forever for the
    // answer of a command that the radio, in another mode, takes for user data.
    if (RadioState & Acquisition)
        ExchangeCommand(radio::acquisitionOff(), retry, false, radio::answerOff(), 2, false, true);
    else if (RadioState & BinReport)
        ExchangeCommand(radio::binReportOff(), retry, false, radio::answerOff(), 2, false, true);
    else if (RadioState & Config)
        ExchangeCommand(none, retry, false, none, 1, !retry, true);
    else if (RadioState & AtCommand)
        ExchangeCommand(none, retry, false, none, 1, false, true);
}

void ModeProtocol::exchangeStepUp(std::int32_t target) {
    const QByteArray none;
    switch (target) {
    case AtCommand:
        ExchangeCommand(none, true, false, none, 1, false, false);
        break;
    case Config:
        ExchangeCommand(none, true, true, none, 1, false, false);
        break;
    case BinReport:
        ExchangeCommand(radio::binReportOn(), true, false, radio::answerOn(), 2, false, false);
        break;
    case Acquisition:
        ExchangeCommand(radio::acquisitionOn(), true, false, radio::answerOn(), 2, false, false);
        break;
    default:
        break;
    }
}

void ModeProtocol::ChangeRadioState(std::int32_t target, bool singleStep) {
    if (!isMode(target))
        return;
    // Back to normal mode after a failed exchange is walked even when the record
    // already says normal mode: the radio may have taken a command late.
    const bool recover = target == Normal && RadioState == Normal && ModeUncertain;
    if (RadioState == target && !recover)
        return;

    // Down to normal mode first: the radio never goes straight from one of the
    // configuration, bin report or acquisition modes to another.
    bool retry = recover;
    if (recover)
        RadioState = AtCommand; // walked down from AT command mode, with "AT+++" first
    while (RadioState != Normal && !stopping()) {
        CommandTimedOut = false;
        startCommandTimer();
        exchangeStepDown(retry);
        retry = true;
        if (singleStep)
            break;
        if (RadioState == Normal)
            status_.reportGood();
        else
            status_.reportFailure();
    }
    if (!flags_.StopRequested)
        stopCommandTimer();

    while (RadioState != target && !stopping()) {
        if (target == Normal)
            break; // nothing to climb; only reached after a single-step attempt
        CommandTimedOut = false;
        startCommandTimer();
        exchangeStepUp(target);
        if (singleStep)
            break;
        if (RadioState == target)
            status_.reportGood();
        else
            status_.reportFailure();
    }
    if (!flags_.StopRequested)
        stopCommandTimer();
}

bool ModeProtocol::ReturnToNormalAfterStop() {
    if (returningToNormal_ || flags_.CloseRequested || flags_.ApplicationClosing)
        return RadioState == Normal;
    // Every loop has been told to stop; the walk down retries until the radio
    // answers, and a second Stop (StopRequested raised again) ends it.
    returningToNormal_ = true;
    flags_.StopRequested = false;
    ChangeRadioState(Normal, false);
    flags_.StopRequested = true;
    returningToNormal_ = false;
    return RadioState == Normal;
}

void ModeProtocol::SetDestinationAddress(const QByteArray& address) {
    if (ExchangeCommand(radio::setDestination(address), true, false,
                        radio::setDestinationAnswer(address), 4, false, true))
        DestinationAddress = address;
}

// Each of these sequences repeats an exchange until it succeeds or the user stops;
// like any "repeat ... until", it makes one attempt even when a stop is already
// pending (a radio chosen after a query ended must still be addressed).
void ModeProtocol::ReadLocalRadioAddress() {
    const QByteArray none;
    bool read = false;
    do {
        read = ExchangeCommand(radio::readOwnAddress(), true, false, none, 4, false, false) &&
               link_.ReceiveBuffer.size() >= 4 && startsWithLead(link_.ReceiveBuffer);
    } while (!read && !stopping());
    // Only an address that was really read is kept: a stopped attempt must not
    // leave a made-up address that the shut-down would write back to the radio.
    if (read)
        LocalRadioAddress = link_.ReceiveBuffer.mid(1, 3);
    while (!ExchangeCommand(none, false, false, none, 4, false, true) && !stopping()) {
    }
}

void ModeProtocol::ClearRadioOptionBit() {
    const QByteArray none;
    bool read = false;
    do {
        read = ExchangeCommand(radio::readOptionByte(), true, false, none, 2, false, false) &&
               link_.ReceiveBuffer.size() >= 2 && startsWithLead(link_.ReceiveBuffer);
    } while (!read && !stopping());
    if (!read || flags_.StopRequested)
        return;
    const auto optionByte = static_cast<unsigned char>(link_.ReceiveBuffer.at(1));
    RestoreOptionBit = (optionByte & radio::kOptionBit) != 0;
    if (!RestoreOptionBit) {
        // Nothing to clear: just leave AT command mode.
        while (!ExchangeCommand(none, false, false, none, 1, false, true) && !stopping()) {
        }
        return;
    }
    while (!ExchangeCommand(radio::clearOptionBit(), false, false, radio::answerOff(), 2, false,
                            true) &&
           !stopping()) {
    }
}

void ModeProtocol::RestoreRadioOptionBit() {
    if (RestoreOptionBit)
        ExchangeCommand(radio::setOptionBit(), true, false, radio::answerOn(), 2, false, true);
}
