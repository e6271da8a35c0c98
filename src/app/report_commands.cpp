#include "app/report_commands.h"

#include "recording/document_folder.h"
#include "app/report_files.h"
#include "app/site_report.h"
#include "app/site_report_builder.h"
#include "app/suite.h"
#include "hopbin/hop_bin_window.h"
#include "network/network_window.h"
#include "spectrum/spectrum_window.h"
#include "ui/file_dialogs.h"
#include "ui/image_surface.h"
#include "ui/message_boxes.h"
#include "ui/window_surfaces.h"

#include <QAction>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStatusBar>

namespace {

const QString kNoPicture =
    QStringLiteral("There is no picture to save: open the hop bin window, the spectrum window "
                   "or the Network Query window and click into it.");
constexpr int kStatusMs = 8000;

QString stamp() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmm"));
}

} // namespace

ReportCommands::ReportCommands(Suite& suite, const AcquisitionControl& acquisition,
                               WindowSurfaces& surfaces, QMainWindow& window,
                               std::function<FileDialogs&()> dialogs)
    : QObject(&window), suite_(suite), acquisition_(acquisition), surfaces_(surfaces),
      window_(window), dialogs_(std::move(dialogs)) {
    setObjectName(QStringLiteral("ReportCommands"));
}

void ReportCommands::addFileEntries(QMenu* file) {
    savePicture_ =
        file->addAction(QStringLiteral("Save &Picture..."), this, &ReportCommands::SavePicture);
    savePicture_->setStatusTip(QStringLiteral("Save the active analyzer's picture as PNG"));
    saveReport_ =
        file->addAction(QStringLiteral("Save &Report..."), this, &ReportCommands::SaveReport);
    saveReport_->setStatusTip(
        QStringLiteral("Save a site report of what was measured, as HTML and PDF"));
}

void ReportCommands::addEditEntries(QMenu* edit) {
    copyPicture_ =
        edit->addAction(QStringLiteral("&Copy Picture"), this, &ReportCommands::CopyPicture);
    copyPicture_->setStatusTip(QStringLiteral("Copy the active analyzer's picture"));
}

QImage ReportCommands::pictureOf(const Surface* surface) const {
    const auto* image = dynamic_cast<const ImageSurface*>(surface);
    if (!image || image->image().isNull())
        return {};
    // The surface is drawn at the screen's resolution; the file says so.
    QImage picture = image->image().copy();
    const int dotsPerMeter = static_cast<int>(image->dpi() / 0.0254 + 0.5);
    picture.setDotsPerMeterX(dotsPerMeter);
    picture.setDotsPerMeterY(dotsPerMeter);
    return picture;
}

QImage ReportCommands::activePicture(QString* name) const {
    QWidget* active = nullptr;
    if (const auto* mdi = window_.findChild<QMdiArea*>())
        if (const QMdiSubWindow* sub = mdi->activeSubWindow())
            active = sub->widget();
    const Surface* surface = nullptr;
    if (qobject_cast<HopBinWindow*>(active)) {
        *name = QStringLiteral("hop-bin");
        surface = surfaces_.hopBin;
    } else if (qobject_cast<SpectrumWindow*>(active)) {
        *name = QStringLiteral("spectrum");
        surface = surfaces_.spectrum;
    } else if (qobject_cast<NetworkWindow*>(active)) {
        *name = QStringLiteral("meter");
        surface = surfaces_.meter;
    } else if (suite_.settings.MeterTest == 1) {
        *name = QStringLiteral("spectrum");
        surface = surfaces_.spectrum;
    } else {
        *name = QStringLiteral("hop-bin");
        surface = surfaces_.hopBin;
    }
    return pictureOf(surface);
}

QString ReportCommands::chooseFile(const QString& title, const QString& filter,
                                   const QString& suffix, const QString& name) {
    FileDialogRequest request;
    request.title = title;
    request.directory = documentFolder();
    request.nameFilters = filter;
    request.defaultSuffix = suffix;
    request.selectedFile = name;
    const QString path = dialogs_().chooseFileToSave(request);
    if (!path.isEmpty())
        rememberDocumentFolder(path);
    return path;
}

void ReportCommands::tell(const QString& text) {
    window_.statusBar()->showMessage(text, kStatusMs);
}

void ReportCommands::SavePicture() {
    QString name;
    const QImage picture = activePicture(&name);
    if (picture.isNull()) {
        suite_.messages().showMessage(kNoPicture);
        return;
    }
    const QString path = chooseFile(
        QStringLiteral("Save Picture"), QStringLiteral("PNG Images (*.png);;All Files (*)"),
        QStringLiteral("png"), name + u'-' + stamp() + QStringLiteral(".png"));
    if (path.isEmpty())
        return;
    const QString problem = savePictureFile(path, picture);
    if (!problem.isEmpty()) {
        suite_.messages().showMessage(problem);
        return;
    }
    tell(QStringLiteral("Picture saved: ") + QDir::toNativeSeparators(path));
}

void ReportCommands::CopyPicture() {
    QString name;
    const QImage picture = activePicture(&name);
    if (picture.isNull()) {
        suite_.messages().showMessage(kNoPicture);
        return;
    }
    QGuiApplication::clipboard()->setImage(picture);
    tell(QStringLiteral("Picture copied"));
}

void ReportCommands::SaveReport() {
    // Taken now: a run may go on behind the dialog, but the report holds what the
    // screen showed when the user asked.
    const ReportPictures pictures{pictureOf(surfaces_.hopBin), pictureOf(surfaces_.spectrum),
                                  pictureOf(surfaces_.meter)};
    const QString html = siteReportHtml(
        collectSiteReport(suite_, acquisition_.lastRun(), pictures, QDateTime::currentDateTime()));
    const QString path = chooseFile(
        QStringLiteral("Save Report"), QStringLiteral("HTML Reports (*.html);;All Files (*)"),
        QStringLiteral("html"), QStringLiteral("site-report-") + stamp() + QStringLiteral(".html"));
    if (path.isEmpty())
        return;
    const QString problem = saveReportFiles(path, html);
    if (!problem.isEmpty()) {
        suite_.messages().showMessage(problem);
        return;
    }
    tell(QStringLiteral("Report saved: ") + QDir::toNativeSeparators(path) +
         QStringLiteral(" and ") + QDir::toNativeSeparators(pdfPathBeside(path)));
}
