#pragma once

#include <QObject>
#include <QString>
#include <functional>

class Recorder;

// Checks every recording once it has ended: its file holds exactly 16 bytes for each
// record the recorder counted (RecordCounter - 1: the next record's number).
//
// The recorder's state is sampled before every event the application handles (an
// application-wide event filter). Records are written by the analyzer loops between
// events, and every click or close that ends a recording is an event, so the sample
// taken just before it holds the count as the recording ended, even when the same
// handler goes on to reset the counter (Load File, playing a recording back). The
// file is measured once it is closed, when every buffered record has reached it.
class RecordingCheck : public QObject {
public:
    RecordingCheck(const Recorder& recorder, std::function<void(const QString&)> onMismatch);
    ~RecordingCheck() override;

    // Looks at the recorder now (also called by the filter).
    void sample();
    int recordingsChecked() const { return checked_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void recordingEnded();

    const Recorder& recorder_;
    std::function<void(const QString&)> onMismatch_;
    bool open_ = false;
    QString path_;
    qint64 counted_ = -1; // -1: never seen recording into this file
    int checked_ = 0;
};
