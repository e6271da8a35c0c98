#pragma once

#include <QString>
#include <cstdint>

struct Settings;
struct StopFlags;
class AnalyzerSurfaces;

// The link status texts printed on the analyzer windows: "Status: Normal",
// "Status: Finding Sync" or the communication failure text on the hop bin window,
// and the failure text on the spectrum window.
class LinkStatusDisplay {
public:
    LinkStatusDisplay(const Settings& settings, const StopFlags& flags, AnalyzerSurfaces& surfaces);

    // 0 normal, 1 finding sync, 2 communication failure; other values show nothing.
    std::int16_t LinkStatus = 0;
    // The status last shown on the hop bin window; its timer compares the two to
    // notice a change that has not been shown yet.
    std::int16_t PreviousLinkStatus = 0;
    // The failure text last printed on the spectrum window (empty when none).
    QString SpectrumMessage;
    QString HopBinMessage; // the status text shown on the hop bin display, for erasing it

    void ShowHopBinLinkStatus();
    void ShowSpectrumLinkStatus(bool ok);

    // The outcome of an exchange, shown on the window of the selected test.
    void reportGood();
    void reportFailure();

    // "Communication failure.  Hardware is COM3 and baud rate is 57600.  RTS mode
    // should be disabled in the radio."
    static QString communicationFailureText(const Settings& settings);

private:
    const Settings& settings_;
    const StopFlags& flags_;
    AnalyzerSurfaces& surfaces_;
};
