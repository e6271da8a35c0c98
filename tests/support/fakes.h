#pragma once

#include "ui/message_boxes.h"
#include "ui/recording_surface.h"
#include "ui/status_text.h"
#include "ui/surface.h"

#include <QStringList>

// Test stand-ins for the windows: they record what the suite showed.

class RecordedStatus : public StatusText {
public:
    void setRadioStateText(const QString& text) override { texts << text; }
    QStringList texts;
};

class ScriptedMessages : public MessageBoxes {
public:
    void showMessage(const QString& text) override { shown << text; }
    Answer askYesNoCancel(const QString& text) override {
        shown << text;
        return answer;
    }
    QStringList shown;
    Answer answer = Answer::Cancel;
};

class TestSurfaces : public AnalyzerSurfaces {
public:
    Surface* hopBinSurface() override { return hopBinOpen ? &hopBin : nullptr; }
    Surface* spectrumSurface() override { return spectrumOpen ? &spectrum : nullptr; }
    Surface* meterSurface() override { return meterOpen ? &meter : nullptr; }
    RecordingSurface hopBin;
    RecordingSurface spectrum;
    RecordingSurface meter{3000, 3000};
    bool hopBinOpen = true;
    bool spectrumOpen = true;
    bool meterOpen = true;
};
