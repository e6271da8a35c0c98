#include "app/recording_control.h"

#include "app/acquisition_control.h"
#include "app/suite.h"
#include "ui/message_boxes.h"
#include "ui/transport_view.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace {
const QString kUnableToOpen = QStringLiteral("Unable to open file.");
// Every file, also one whose name has no dot ("*.*" would leave those out).
const QString kAllFiles = QStringLiteral("All Files (*)");
} // namespace

RecordingControl::RecordingControl(Suite& suite, TransportView& view,
                                   AcquisitionControl& acquisition, FileDialogs& dialogs)
    : suite_(suite), view_(view), acquisition_(acquisition), dialogs_(&dialogs) {}

QString RecordingControl::sourceDisplayText(const QString& path) {
    return QFileInfo(path).fileName();
}

QString RecordingControl::recordingsFolder() const {
    const QString folder = suite_.settings.ProgramDirectory + QStringLiteral("Recordings");
    QDir().mkpath(folder);
    return folder;
}

FileDialogRequest RecordingControl::dialogRequest() const {
    FileDialogRequest request;
    request.directory = recordingsFolder() + QLatin1Char('/');
    if (suite_.settings.MeterTest == 1) {
        request.nameFilters = QStringLiteral("Spectrum Analyzer File (*.san);;") + kAllFiles;
        request.defaultSuffix = QStringLiteral("san");
    } else {
        request.nameFilters = QStringLiteral("Bin Analyzer File (*.ban);;") + kAllFiles;
        request.defaultSuffix = QStringLiteral("ban");
    }
    return request;
}

void RecordingControl::addSource(const QString& path) {
    Recorder& recorder = suite_.recorder;
    recorder.SourceFiles.insert(1, path);
    if (recorder.SelectedSource >= 1)
        ++recorder.SelectedSource; // the selected entry has moved down by one
    view_.insertSource(1, sourceDisplayText(path), path);
    view_.selectSource(1);
}

void RecordingControl::showRecordingImages() {
    view_.setTransportImages(TransportView::RecordActive, TransportView::PlayNormal,
                             TransportView::PauseNormal);
}

void RecordingControl::Record() {
    Recorder& recorder = suite_.recorder;
    if (recorder.TransportMode == Recorder::Recording ||
        recorder.TransportMode == Recorder::RecordingPaused) {
        // Recording resumes.
        recorder.TransportMode = Recorder::Recording;
        showRecordingImages();
        view_.setSliderEnabled(false);
        return;
    }
    // A live run takes the new mode at its next reading. Anything else that holds
    // the radio (a playback, a query) ends first, and Record asks its questions
    // when it has.
    const bool liveRun = acquisition_.liveRunActive();
    if (!liveRun && acquisition_.waitForRadio([this] { Record(); }))
        return;

    bool started = false;
    bool appending = false;
    if (recorder.selectedSourceHasFile()) {
        switch (suite_.messages().askYesNoCancel(
            QStringLiteral("Do you want to append the data to the current file?"))) {
        case MessageBoxes::Answer::Cancel:
            return;
        case MessageBoxes::Answer::Yes:
            appending = true;
            started = appendToSelected();
            break;
        case MessageBoxes::Answer::No:
            break;
        }
    }
    if (!appending)
        started = recordToNewFile();
    if (!started || liveRun)
        return;
    acquisition_.runFromRest();
}

bool RecordingControl::appendToSelected() {
    Recorder& recorder = suite_.recorder;
    recorder.TransportMode = Recorder::Recording;
    showRecordingImages();
    recorder.closeFile();
    view_.setSliderEnabled(false);
    if (!recorder.openForRecording(recorder.selectedFile(), true)) {
        acquisition_.Stop();
        suite_.messages().showMessage(kUnableToOpen);
        return false;
    }
    const qint64 records = recorder.recordCount();
    recorder.RecordCounter = records + 1;
    view_.setPositionText(Recorder::positionText(recorder.RecordCounter, records));
    view_.setSliderMaximum(records + 1);
    return true;
}

bool RecordingControl::recordToNewFile() {
    const QString path = dialogs_->chooseFileToSave(dialogRequest());
    if (path.isEmpty())
        return false;
    Recorder& recorder = suite_.recorder;
    const qsizetype known = recorder.SourceFiles.indexOf(path, 1);
    if (known > 0)
        view_.selectSource(static_cast<int>(known));
    else
        addSource(path);

    // The user has agreed to replace an existing file: it starts empty.
    if (!recorder.openForRecording(path, false) && !recorder.openForRecording(path, false)) {
        suite_.messages().showMessage(kUnableToOpen);
        return false;
    }
    recorder.RecordCounter = 1;
    view_.setPositionText(Recorder::positionText(1, 0));
    view_.setSliderMaximum(2);
    recorder.TransportMode = Recorder::Recording;
    showRecordingImages();
    view_.setSliderEnabled(false);
    return true;
}

void RecordingControl::LoadFile() {
    Recorder& recorder = suite_.recorder;
    FileDialogRequest request = dialogRequest();
    if (recorder.selectedSourceHasFile())
        request.selectedFile = recorder.selectedFile();
    const QString path = dialogs_->chooseFileToOpen(request);
    if (path.isEmpty())
        return;
    addSource(path);

    recorder.TransportMode = Recorder::Idle;
    view_.setTransportImages(TransportView::RecordNormal, TransportView::PlayNormal,
                             TransportView::PauseNormal);
    recorder.RecordCounter = 0;
    const qint64 records = Recorder::recordsIn(path);
    view_.setPositionText(Recorder::positionText(0, records));
    view_.setSliderMaximum(records);
    view_.setSliderValue(0);
    view_.setSliderEnabled(true);
}

void RecordingControl::sliderPressed() {
    suite_.recorder.SliderHeld = true;
}

void RecordingControl::sliderReleased(qint64 value) {
    Recorder& recorder = suite_.recorder;
    recorder.RecordCounter = std::max<qint64>(value, 0);
    recorder.SliderHeld = false;
}
