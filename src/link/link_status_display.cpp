#include "link/link_status_display.h"

#include "core/number_text.h"
#include "core/settings.h"
#include "core/stop_flags.h"
#include "ui/surface.h"

LinkStatusDisplay::LinkStatusDisplay(const Settings& settings, const StopFlags& flags,
                                     AnalyzerSurfaces& surfaces)
    : settings_(settings), flags_(flags), surfaces_(surfaces) {}

QString LinkStatusDisplay::communicationFailureText(const Settings& settings) {
    return QStringLiteral("Communication failure.  Hardware is COM") +
           shortestText(std::int64_t{settings.Port} + 1) + QStringLiteral(" and baud rate is ") +
           settings.BaudText + QStringLiteral(".  RTS mode should be disabled in the radio.");
}

void LinkStatusDisplay::ShowHopBinLinkStatus() {
    if (flags_.HopBinStopped)
        return;
    PreviousLinkStatus = LinkStatus;
    QString text;
    switch (LinkStatus) {
    case 0:
        text = QStringLiteral("Status: Normal");
        break;
    case 1:
        text = QStringLiteral("Status: Finding Sync");
        break;
    case 2:
        text = communicationFailureText(settings_);
        break;
    default:
        return;
    }
    if (Surface* surface = surfaces_.hopBinSurface()) {
        const double x = settings_.GraphLeft + 100;
        const double y = settings_.GraphTop + 100;
        // The texts share one place: the one shown before goes first, or "Status:
        // Normal" and "Status: Finding Sync" would be printed over each other.
        if (!HopBinMessage.isEmpty() && HopBinMessage != text)
            surface->printText(x, y, HopBinMessage, settings_.BackgroundColor);
        surface->printText(x, y, text, settings_.MessageColor);
    }
    HopBinMessage = text;
}

void LinkStatusDisplay::ShowSpectrumLinkStatus(bool ok) {
    if (flags_.SpectrumStopped)
        return;
    Surface* surface = surfaces_.spectrumSurface();
    const double x = settings_.SpecAnLeft + 50;
    const double y = settings_.SpecAnTop + 750;
    // Erase the text shown last time by printing it again in the background colour.
    if (surface && !SpectrumMessage.isEmpty())
        surface->printText(x, y, SpectrumMessage, settings_.BackgroundColor);
    SpectrumMessage.clear();
    if (ok)
        return;
    SpectrumMessage = communicationFailureText(settings_);
    if (surface)
        surface->printText(x, y, SpectrumMessage, settings_.MessageColor);
}

void LinkStatusDisplay::reportGood() {
    if (settings_.MeterTest == 0) {
        LinkStatus = 0;
        ShowHopBinLinkStatus();
    } else if (settings_.MeterTest == 1) {
        ShowSpectrumLinkStatus(true);
    }
}

void LinkStatusDisplay::reportFailure() {
    if (settings_.MeterTest == 0) {
        LinkStatus = 2;
        ShowHopBinLinkStatus();
    } else if (settings_.MeterTest == 1) {
        ShowSpectrumLinkStatus(false);
    }
}
