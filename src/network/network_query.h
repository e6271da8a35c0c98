#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

struct StopFlags;
class EventWait;
class RadioLink;
class ModeProtocol;
class Recorder;
class PendingCommands;
struct QueryRecord;
struct QueryFile;

// The result grid and the radio selector of the Network Query window, as the query
// sees them. Result row k (from 1) belongs to the k-th radio found; row 0 is the
// header. The selector's entries are the row numbers as text.
class NetworkQueryView {
public:
    virtual ~NetworkQueryView() = default;
    // One empty result row and an empty selector.
    virtual void clearResults() = 0;
    virtual int resultRows() const = 0;
    virtual void appendResultRow() = 0;
    virtual QString cell(int row, int column) const = 0;
    virtual void setCell(int row, int column, const QString& text) = 0;
    virtual void scrollToFirstColumn() = 0;
    virtual void setCurrentRow(int row) = 0;

    virtual int selectorCount() const = 0;
    // Selects an entry as the user would: the radio selection follows.
    virtual void selectSelectorEntry(int index) = 0;
    virtual void appendSelectorEntry(const QString& text) = 0;
    virtual QString selectorText() const = 0;
};

// The network query: holds the attached radio in acquisition mode, lists every
// radio it hears (one row per address, with its role, channel, the number of
// records and the user's description), and makes the chosen radio the attached
// radio's destination.
class NetworkQuery {
public:
    enum Column { Number = 0, Address = 1, Type = 2, Channel = 3, Responses = 4, Description = 5 };

    NetworkQuery(StopFlags& flags, const EventWait& wait, RadioLink& link, ModeProtocol& modes,
                 Recorder& recorder, PendingCommands& pending);

    // Addresses of the radios found, in order of first appearance: entry k (from 1)
    // is MacAddressList[k - 1].
    QStringList MacAddressList;
    std::int16_t MacAddressCount = 0;
    // Records taken from the line in this query (whole records, not dropped bytes).
    std::int64_t RecordsParsed = 0;
    // When the query on the grid ran (a loaded one keeps its own time); invalid
    // while no query has run or been loaded.
    QDateTime RanAt;

    // Set by the window: the grid and selector, and the stored description of an
    // address.
    NetworkQueryView* view = nullptr;
    std::function<QString(const QString& address)> readDescription;

    bool running() const;

    // Run Query: ends a recording or playback, clears the results and collects
    // records until the query is stopped. While another operation holds the radio,
    // that operation is told to end and the query waits its turn.
    void ButtonRunQuery_Click();
    // Stop Query: the running query ends and returns the radio to normal mode; a
    // second press gives up the retries of a radio that does not answer.
    void ButtonStopQuery_Click();
    // The selector's entry changed: that row's radio becomes the destination. Runs
    // at once at rest and inside a query that is reading records (where it nests on
    // purpose); during any other radio operation it waits its turn.
    void Combo1_Click();
    // The receive loop of a running query.
    void CollectQueryResponses();
    // One step of it: the whole record at the head of the receive buffer is listed,
    // or one byte of garbage is dropped. False when the head must wait for more.
    bool TakeFromHead();

    // The query on the grid as a file: its time and the rows as the grid shows them
    // (descriptions as typed, stored or not).
    QueryFile resultsAsFile() const;
    // Shows a saved query as the results, without a word to the radio: the grid
    // lists its rows and the selector its row numbers, none selected. Choosing one
    // later addresses that radio, as after a query run here. Not while a query runs.
    void showPastQuery(const QueryFile& file);

private:
    void applyRecord(const QueryRecord& record);

    StopFlags& flags_;
    const EventWait& wait_;
    RadioLink& link_;
    ModeProtocol& modes_;
    Recorder& recorder_;
    PendingCommands& pending_;
    // The query holds the radio in acquisition mode and reads records: a radio
    // selection may nest here (and nowhere else inside another operation).
    bool readingRecords_ = false;
    // Role and channel of the last 0xCC record of this query, for 0x87 records.
    QString lastRole_;
    QString lastChannel_;
};
