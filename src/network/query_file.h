#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// A network query kept as a file, to document a site: when the query ran and one
// row per radio heard, as the result grid showed it. The file is comma-separated
// text that a spreadsheet opens:
//
//   Query Run,2026-12-06T14:03:05,Radios,2
//   MAC Address,Type,RF Channel,Number of Responses,Description
//   0A 1B FF,Client,5,12,"Pump house, north wall"
//   2B 3C 4D,Server,5,3,Tower
//
// The radio count on the first line tells a file cut short at a line end from a
// whole one.

struct QueryFileRow {
    QString address;     // "0A 1B FF"
    QString type;        // "Client", "Server" or empty (heard only in 0x87 records)
    QString channel;     // upper-case hex without leading zeros, or empty
    QString responses;   // decimal count, from 1
    QString description; // any text

    bool operator==(const QueryFileRow&) const = default;
};

struct QueryFile {
    QDateTime ranAt; // local time, to the second
    QList<QueryFileRow> rows;
};

// Larger files are refused unread: a whole site's query is a few kilobytes.
inline constexpr qint64 kQueryFileSizeLimit = 1024 * 1024;
// The grid numbers its radios with 16-bit row numbers.
inline constexpr int kQueryFileRowLimit = 32767;

QByteArray queryFileBytes(const QueryFile& query);

struct QueryFileRead {
    QueryFile query;
    QString error; // empty when the file was read whole; otherwise why not
};

// Reads the bytes of a query file. Anything but a whole, well-formed query file
// (damaged, cut short, binary, too large, rows that no query lists) gives an error
// that says what is wrong, and no rows.
QueryFileRead readQueryFile(const QByteArray& bytes);
