#include "app/statistics_export.h"

#include "recording/document_folder.h"
#include "app/statistics_table.h"
#include "app/suite.h"
#include "ui/file_dialogs.h"
#include "ui/message_boxes.h"

#include <QDateTime>

void ExportStatistics(const Suite& suite, FileDialogs& dialogs, MessageBoxes& messages) {
    const bool spectrumTest = suite.settings.MeterTest == 1;
    const StatisticsTable table =
        spectrumTest ? spectrumStatistics(suite.spectrumData, suite.spectrumMarkers, suite.settings)
                     : hopBinStatistics(suite.hopBinData, suite.settings);
    if (!table.measured) {
        messages.showMessage(QStringLiteral("Nothing has been measured since the last reset: "
                                            "there are no statistics to export."));
        return;
    }
    // Taken now: a run may go on behind the dialog, but the file holds what the
    // screen showed when the user asked.
    const QByteArray bytes = csvFileBytes(statisticsCsvRows(table, QDateTime::currentDateTime()));

    FileDialogRequest request;
    request.title = QStringLiteral("Export Statistics");
    request.directory = documentFolder();
    request.nameFilters = QStringLiteral("Statistics Files (*.csv);;All Files (*)");
    request.defaultSuffix = QStringLiteral("csv");
    request.selectedFile = spectrumTest ? QStringLiteral("spectrum-statistics.csv")
                                        : QStringLiteral("hop-bin-statistics.csv");
    saveDocument(dialogs, request, bytes, messages);
}
