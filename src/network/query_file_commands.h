#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

class NetworkQuery;
class FileDialogs;
class MessageBoxes;

// Save Query: the query on the grid, written whole (or not at all) to a CSV file
// chosen in a save dialog. A failure is shown and leaves no file behind.
void SaveQuery(const NetworkQuery& query, FileDialogs& dialogs, MessageBoxes& messages);

// Load Query: a saved query chosen in an open dialog, shown on the grid as a past
// query. Nothing goes to the radio. A file that is not a whole query file is
// shown as such and leaves the grid as it was. Refused while a query runs.
// Returns the text that marks the grid as a past query, or nothing when no file
// was loaded.
std::optional<QString> LoadQuery(NetworkQuery& query, FileDialogs& dialogs, MessageBoxes& messages);

// "Past query of 2026-12-06 14:03, from site.csv"
QString pastQueryText(const QDateTime& ranAt, const QString& path);
