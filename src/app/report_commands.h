#pragma once

#include "ui/qt_file_dialogs.h"

#include <QImage>
#include <QObject>

class Suite;
class AcquisitionControl;
class WindowSurfaces;
class QAction;
class QMainWindow;
class QMenu;

// File > Save Picture..., Edit > Copy Picture and File > Save Report...: what the
// suite measured, taken away as a picture or as a site report. None of them talks
// to the radio, so they may run at any time, also during a run or a query; they
// take what is on the screen at that moment.
class ReportCommands : public QObject {
    Q_OBJECT
public:
    ReportCommands(Suite& suite, const AcquisitionControl& acquisition, WindowSurfaces& surfaces,
                   QMainWindow& window);

    void addFileEntries(QMenu* file);
    void addEditEntries(QMenu* edit);
    // Replaces the file dialogs (tests answer them from a script).
    void setFileDialogs(FileDialogs& dialogs) { dialogs_ = &dialogs; }

    void SavePicture();
    void CopyPicture();
    void SaveReport();

    QAction* savePictureAction() const { return savePicture_; }
    QAction* copyPictureAction() const { return copyPicture_; }
    QAction* saveReportAction() const { return saveReport_; }

private:
    // The picture of the active analyzer: the hop bin window, the spectrum window or
    // the meter of the Network Query window, else the window of the selected test.
    // `name` says which ("hop-bin", "spectrum", "meter"). Null when none is open.
    QImage activePicture(QString* name) const;
    QImage pictureOf(const class Surface* surface) const;
    QString chooseFile(const QString& title, const QString& filter, const QString& suffix,
                       const QString& name);
    void tell(const QString& text);

    Suite& suite_;
    const AcquisitionControl& acquisition_;
    WindowSurfaces& surfaces_;
    QMainWindow& window_;
    QtFileDialogs qtDialogs_;
    FileDialogs* dialogs_;
    QString folder_; // where the last picture or report went
    QAction* savePicture_ = nullptr;
    QAction* copyPicture_ = nullptr;
    QAction* saveReport_ = nullptr;
};
