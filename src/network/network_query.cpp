#include "network/network_query.h"

#include "core/event_wait.h"
#include "core/pending_commands.h"
#include "recording/recorder.h"
#include "core/stop_flags.h"
#include "link/mode_protocol.h"
#include "link/radio_link.h"
#include "network/query_file.h"
#include "network/query_record.h"

#include <limits>

NetworkQuery::NetworkQuery(StopFlags& flags, const EventWait& wait, RadioLink& link,
                           ModeProtocol& modes, Recorder& recorder, PendingCommands& pending)
    : flags_(flags), wait_(wait), link_(link), modes_(modes), recorder_(recorder),
      pending_(pending) {}

bool NetworkQuery::running() const {
    return !flags_.QueryStopRequested;
}

void NetworkQuery::ButtonRunQuery_Click() {
    if (running())
        return;
    // The radio cannot record or play and answer a query at once.
    if (recorder_.TransportMode != Recorder::Idle && recorder_.fullStop)
        recorder_.fullStop();
    if (!pending_.radioFree()) {
        // A run (or the return to normal mode after one) holds the radio: it ends,
        // and the query starts when it has.
        flags_.StopRequested = true;
        flags_.stopTools();
        pending_.runWhenRadioFree(PendingCommands::Query, [this] { ButtonRunQuery_Click(); });
        return;
    }
    const RadioOperation operation(flags_);

    MacAddressList.clear();
    MacAddressCount = 0;
    lastRole_.clear();
    lastChannel_.clear();
    RanAt = QDateTime::currentDateTime();
    if (view)
        view->clearResults();

    // Every analyzer ends; the query takes the radio. It counts as running from
    // here, so that Stop Query during the walk to normal mode is not lost.
    flags_.StopRequested = false;
    flags_.PingTestStopped = true;
    flags_.HopBinStopped = true;
    flags_.SpectrumStopped = true;
    flags_.QueryStopRequested = false;
    wait_.yieldOnce();
    modes_.ChangeRadioState(ModeProtocol::Normal, false);
    CollectQueryResponses();
}

void NetworkQuery::ButtonStopQuery_Click() {
    if (modes_.returningToNormal()) {
        // Pressed again while the radio does not answer: the retries end.
        flags_.StopRequested = true;
        return;
    }
    if (running()) {
        // The query's loop ends at its next check and returns the radio itself.
        flags_.QueryStopRequested = true;
        return;
    }
    if (flags_.radioInUse())
        return; // no query runs; what holds the radio is not the query's
    const RadioOperation operation(flags_);
    modes_.ReturnToNormalAfterStop();
}

void NetworkQuery::CollectQueryResponses() {
    if (!flags_.QueryStopRequested && !flags_.StopRequested)
        modes_.ChangeRadioState(ModeProtocol::Acquisition, false);
    readingRecords_ = modes_.RadioState == ModeProtocol::Acquisition;
    for (;;) {
        if (flags_.QueryStopRequested || flags_.ApplicationClosing || flags_.StopRequested) {
            readingRecords_ = false;
            flags_.QueryStopRequested = true;
            modes_.ReturnToNormalAfterStop();
            return;
        }
        if (TakeFromHead())
            wait_.yieldOnce();
        else
            // Nothing to do until more bytes (or a click) arrive: sleep on the event
            // loop instead of asking again and again.
            wait_.waitForEvent();
    }
}

bool NetworkQuery::TakeFromHead() {
    QByteArray& received = link_.ReceiveBuffer;
    const QueryHead head = examineQueryHead(received);
    switch (head.action) {
    case QueryHead::Action::Record:
        received.remove(0, head.size);
        ++RecordsParsed;
        applyRecord(head.record);
        return true;
    case QueryHead::Action::DropOne:
        // Out of step: one byte per turn until a record lead reaches the head.
        received.remove(0, 1);
        return true;
    case QueryHead::Action::Wait:
        break;
    }
    return false;
}

void NetworkQuery::applyRecord(const QueryRecord& record) {
    if (record.hasRole) {
        lastRole_ = roleText(record.client);
        lastChannel_ = channelText(record.channel);
    }
    const QString address = addressText(record.address);
    const qsizetype known = MacAddressList.indexOf(address);
    if (known >= 0) {
        const int row = static_cast<int>(known) + 1;
        if (view) {
            const qint64 count = view->cell(row, Responses).toLongLong();
            view->setCell(row, Responses, QString::number(count + 1));
        }
    } else if (MacAddressCount < std::numeric_limits<std::int16_t>::max()) {
        const int row = MacAddressCount + 1;
        MacAddressList.append(address);
        MacAddressCount = static_cast<std::int16_t>(row);
        if (view) {
            if (view->resultRows() < row)
                view->appendResultRow();
            view->setCell(row, Number, QString::number(row));
            view->setCell(row, Address, address);
            view->setCell(row, Type, lastRole_);
            view->setCell(row, Channel, lastChannel_);
            view->setCell(row, Responses, QStringLiteral("1"));
            view->setCell(row, Description, readDescription ? readDescription(address) : QString());
            // From the second radio on, the radio listed last so far becomes the
            // destination before the new one is listed.
            if (view->selectorCount() > 0)
                view->selectSelectorEntry(view->selectorCount() - 1);
            view->appendSelectorEntry(QString::number(row));
        }
    }
    if (view)
        view->scrollToFirstColumn();
}

void NetworkQuery::Combo1_Click() {
    if (!view)
        return;
    const QString text = view->selectorText();
    if (text.isEmpty())
        return;
    const int row = text.toInt();
    if (row < 1 || row > MacAddressList.size())
        return;
    view->setCurrentRow(row);
    if (!readingRecords_ && !pending_.radioFree()) {
        // Chosen while another exchange runs (a run, the start or end of a query,
        // another selection): the radio is addressed when that is over, with the
        // entry selected then.
        pending_.runWhenRadioFree(PendingCommands::RadioSelection, [this] { Combo1_Click(); });
        return;
    }
    const RadioOperation operation(flags_);
    const bool wasReading = readingRecords_;
    readingRecords_ = false; // no selection nests inside this one

    // The mode changes below use the command timer and its time-out flag; a
    // running exchange beneath this click finds them as it left them.
    const bool timerWasRunning = modes_.commandTimerActive();
    const bool timedOut = modes_.CommandTimedOut;
    const QByteArray destination = addressBytes(MacAddressList.at(row - 1));
    const std::int32_t state = modes_.RadioState;
    modes_.ChangeRadioState(ModeProtocol::Normal, false);
    if (modes_.LocalRadioAddress.isEmpty())
        modes_.ReadLocalRadioAddress();
    modes_.SetDestinationAddress(destination);
    modes_.ChangeRadioState(state, false);
    if (timerWasRunning)
        modes_.startCommandTimer();
    else
        modes_.stopCommandTimer();
    modes_.CommandTimedOut = timedOut;
    readingRecords_ = wasReading && modes_.RadioState == ModeProtocol::Acquisition;
}

QueryFile NetworkQuery::resultsAsFile() const {
    QueryFile file;
    file.ranAt = RanAt;
    if (!view)
        return file;
    for (int row = 1; row <= MacAddressCount && row <= view->resultRows(); ++row)
        file.rows << QueryFileRow{view->cell(row, Address), view->cell(row, Type),
                                  view->cell(row, Channel), view->cell(row, Responses),
                                  view->cell(row, Description)};
    return file;
}

void NetworkQuery::showPastQuery(const QueryFile& file) {
    if (running())
        return;
    MacAddressList.clear();
    MacAddressCount = 0;
    lastRole_.clear();
    lastChannel_.clear();
    RanAt = file.ranAt;
    if (!view)
        return;
    view->clearResults();
    for (const QueryFileRow& row : file.rows) {
        if (MacAddressCount == std::numeric_limits<std::int16_t>::max())
            break;
        const int k = MacAddressCount + 1;
        MacAddressList.append(row.address);
        MacAddressCount = static_cast<std::int16_t>(k);
        if (view->resultRows() < k)
            view->appendResultRow();
        view->setCell(k, Number, QString::number(k));
        view->setCell(k, Address, row.address);
        view->setCell(k, Type, row.type);
        view->setCell(k, Channel, row.channel);
        view->setCell(k, Responses, row.responses);
        view->setCell(k, Description, row.description);
        // Listed, not chosen: adding an entry selects no radio.
        view->appendSelectorEntry(QString::number(k));
    }
    view->scrollToFirstColumn();
}
