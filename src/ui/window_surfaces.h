#pragma once

#include "ui/status_text.h"
#include "ui/surface.h"

#include <functional>

// The surfaces of the windows that are open right now. A window registers its
// surface when it opens and clears it when it closes; the painters find nothing to
// draw on while a window is closed.
class WindowSurfaces : public AnalyzerSurfaces {
public:
    Surface* hopBin = nullptr;
    Surface* spectrum = nullptr;
    Surface* meter = nullptr;

    Surface* hopBinSurface() override { return hopBin; }
    Surface* spectrumSurface() override { return spectrum; }
    Surface* meterSurface() override { return meter; }
};

// Panel 1 of the main window's status bar, forwarded to whatever shows it.
class StatusBarText : public StatusText {
public:
    void setRadioStateText(const QString& text) override {
        text_ = text;
        if (show)
            show(text);
    }
    QString text() const { return text_; }
    std::function<void(const QString&)> show;

private:
    QString text_;
};
