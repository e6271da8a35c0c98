#pragma once

#include "ui/file_dialogs.h"
#include "ui/message_boxes.h"
#include "ui/recording_surface.h"
#include "ui/status_text.h"
#include "ui/surface.h"
#include "ui/transport_view.h"

#include <QStringList>
#include <functional>
#include <vector>

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

// The main window's transport controls, remembering what the suite set.
class FakeTransportView : public TransportView {
public:
    void setTransportImages(int r, int p, int z) override {
        record = r;
        play = p;
        pause = z;
    }
    void setSliderEnabled(bool enabled) override { sliderEnabled = enabled; }
    QString sourceText() const override { return sources.value(selected); }
    void setPositionText(const QString& text) override { positionText = text; }
    void setSliderMaximum(qint64 maximum) override { sliderMaximum = maximum; }
    void setSliderValue(qint64 value) override { slider = value; }
    qint64 sliderValue() const override { return slider; }
    void insertSource(int index, const QString& text, const QString& /*path*/) override {
        sources.insert(index, text);
        if (selected >= index)
            ++selected;
    }
    // Selecting another entry is a source change: `onSourceChange` runs as the
    // window's handler would.
    void selectSource(int index) override {
        if (index == selected)
            return;
        selected = index;
        if (onSourceChange)
            onSourceChange(index);
    }

    int record = RecordNormal, play = PlayNormal, pause = PauseNormal;
    bool sliderEnabled = true;
    QString positionText;
    qint64 sliderMaximum = 0;
    qint64 slider = 0;
    QStringList sources{QStringLiteral("Real-Time")};
    int selected = 0;
    std::function<void(int)> onSourceChange;
};

// File dialogs answered from a script; what they were asked is kept.
class ScriptedFileDialogs : public FileDialogs {
public:
    QString chooseFileToSave(const FileDialogRequest& request) override {
        requests.push_back(request);
        return saveAnswer;
    }
    QString chooseFileToOpen(const FileDialogRequest& request) override {
        requests.push_back(request);
        return openAnswer;
    }
    QString saveAnswer;
    QString openAnswer;
    std::vector<FileDialogRequest> requests;
};
