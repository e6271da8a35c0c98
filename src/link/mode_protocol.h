#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <cstdint>

struct Settings;
struct StopFlags;
class EventWait;
class RadioLink;
class LinkStatusDisplay;
class StatusText;

// The radio's modes and the guarded command exchange that moves it between them.
//
// The RM7700 passes user data transparently in normal mode. "AT+++" CR takes it to
// AT command mode; from there 0xCC 0x65 enters configuration mode (spectrum
// points), 0xCC 0x8F 0x01 bin report mode and 0xCC 0x8E 0x01 acquisition mode
// (network query). Every reply must come within the 1000 ms of the command timer;
// a radio that does not answer leaves the mode record unchanged and the exchange
// is retried by the callers until the user stops.
class ModeProtocol : public QObject {
    Q_OBJECT
public:
    enum : std::int32_t { Normal = 0, AtCommand = 1, Config = 2, BinReport = 4, Acquisition = 8 };

    ModeProtocol(RadioLink& link, const Settings& settings, StopFlags& flags, const EventWait& wait,
                 LinkStatusDisplay& status, StatusText& statusBar, QObject* parent = nullptr);

    std::int32_t RadioState = Normal; // the mode the radio is believed to be in
    bool CommandTimedOut = false;     // set when the command timer runs out
    QByteArray LocalRadioAddress;     // the attached radio's own address, once read
    // The destination this program set last and the radio confirmed; empty while the
    // radio still uses the destination it came with (the radio cannot be asked).
    QByteArray DestinationAddress;
    bool RestoreOptionBit = false; // the option bit was set and has been cleared
    // The last exchange timed out: the radio may not be in the mode recorded (a late
    // answer). A walk back to normal mode then goes through AT command mode.
    bool ModeUncertain = false;

    // One guarded exchange: optionally enter AT command mode and configuration
    // mode, send `command` and wait for `expected` (anywhere in the received
    // bytes) or, when `expected` is empty, for `count` bytes; optionally leave
    // configuration mode and AT command mode. True when every step was answered in
    // time, or when the command itself had been answered before a later step timed
    // out.
    bool ExchangeCommand(const QByteArray& command, bool enterAT, bool enterConfig,
                         const QByteArray& expected, int count, bool exitConfig, bool exitAT);

    // Walks the radio down to normal mode and up to `target` (0, 1, 2, 4 or 8),
    // retrying each step until it succeeds or the user stops; with `singleStep`
    // each phase makes one attempt (shut-down).
    void ChangeRadioState(std::int32_t target, bool singleStep);

    // After a Stop (or the end of a query): back to normal mode, retrying each step
    // until the radio answers or the user presses Stop again. True when the radio
    // is in normal mode.
    bool ReturnToNormalAfterStop();
    // A return to normal mode after a stop is retrying: the next Stop ends it.
    bool returningToNormal() const { return returningToNormal_; }

    void SetDestinationAddress(const QByteArray& address);
    void ReadLocalRadioAddress();
    void ClearRadioOptionBit();
    void RestoreRadioOptionBit();

    // The command timer: one-shot, 1000 ms. Starting it while it runs lets the
    // running period continue.
    void startCommandTimer();
    void stopCommandTimer();
    bool commandTimerActive() const { return commandTimer_.isActive(); }

    // The status bar text of a mode ("Radio State: Bin Report Mode", ...).
    static QString radioStateText(std::int32_t state);

private:
    bool send(const QByteArray& bytes);
    bool linkDownSinceSend() const;
    void setState(std::int32_t state);
    // Waits for the answer or the timer; false when the program is closing.
    bool waitForAnswer(const class ExpectedAnswer& answer);
    bool stopping() const;
    void exchangeStepDown(bool retry);
    void exchangeStepUp(std::int32_t target);

    RadioLink& link_;
    const Settings& settings_;
    StopFlags& flags_;
    const EventWait& wait_;
    LinkStatusDisplay& status_;
    StatusText& statusBar_;
    QTimer commandTimer_;
    bool returningToNormal_ = false;
    bool sendFailed_ = false;   // the last send found the link unusable
    bool openWhenSent_ = false; // the link was open after the last send
};
