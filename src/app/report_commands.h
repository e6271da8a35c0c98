#pragma once

#include <QImage>
#include <QObject>
#include <functional>

class Suite;
class FileDialogs;
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
    // `dialogs`: the file dialogs the main window uses now (tests replace them).
    ReportCommands(Suite& suite, const AcquisitionControl& acquisition, WindowSurfaces& surfaces,
                   QMainWindow& window, std::function<FileDialogs&()> dialogs);

    void addFileEntries(QMenu* file);
    void addEditEntries(QMenu* edit);

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
    std::function<FileDialogs&()> dialogs_;
    QAction* savePicture_ = nullptr;
    QAction* copyPicture_ = nullptr;
    QAction* saveReport_ = nullptr;
};
