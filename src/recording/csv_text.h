#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Comma-separated text as spreadsheets read it: one record per line, fields
// separated by commas; a field holding a comma, a double quote, a line break or
// leading/trailing blanks is written in double quotes with each quote doubled.
// Lines end with CR LF; the file is UTF-8 with a byte order mark, so that a
// spreadsheet on any desktop shows accented and other non-ASCII text as typed.

using CsvRows = QList<QStringList>;

// One field, quoted when it needs it.
QString csvField(const QString& text);
// One record and its CR LF.
QString csvLine(const QStringList& fields);
// Every record, each with its CR LF.
QString csvText(const CsvRows& rows);
// The bytes of a file: the UTF-8 byte order mark and the text.
QByteArray csvFileBytes(const CsvRows& rows);

// A number with a dot as its decimal mark whatever the desktop's locale, rounded to
// at most `maxDecimals` decimals and without trailing zeros: 902.5098, -73, 95.3.
QString decimalText(double value, int maxDecimals);

// What reading comma-separated text found: the records, or why the text is not
// comma-separated text.
struct CsvParse {
    CsvRows rows;
    QString error; // empty when the text was read whole
};

// Reads UTF-8 bytes (with or without a byte order mark), lines ending in CR LF or
// LF. Line breaks inside quoted fields belong to the field, exactly as written.
// Bytes that are not UTF-8 text, control characters other than tab and line breaks,
// an unclosed quote or a quote inside an unquoted field give an error. An empty last
// line is not a record.
CsvParse parseCsv(const QByteArray& bytes);
