// Orders everything the radio sends onto its single serial line. Replies and stream
// records each go out whole: a reply is only ever sent between two records, never
// inside one, and once a reply has started (even one that a fault splits into
// several pieces) no record is sent until its last piece is out.
#pragma once

#include "fault_injector.h"
#include "line_pacer.h"

#include <deque>
#include <optional>

namespace rm7700emu {

// Bytes to write to the host in one write, and when.
struct Chunk {
    Bytes bytes;
    Nanos writeAt{0};
};

class OutputQueue {
public:
    // Records queued beyond this are dropped: a line too slow for the stream loses
    // records rather than falling further and further behind.
    static constexpr std::size_t kMaxStreamBacklog = 16;

    explicit OutputQueue(LinePacer& pacer) : pacer_(pacer) {}

    // Paced chunks are written this much before their last byte is due at the host,
    // to make up for the time the transport itself takes to deliver them. Never
    // earlier than the chunk's first byte could start, so no reply ever precedes the
    // end of its command.
    void setWriteLead(Nanos lead) { writeLead_ = lead; }

    void addReply(std::vector<Piece> pieces);
    void addStream(Bytes record, Nanos readyAt);

    // Chunks whose last byte has reached the host by `now`, in sending order.
    std::vector<Chunk> takeDue(Nanos now);
    // When takeDue() next has something to do; kNever if nothing is queued.
    Nanos nextEvent() const;

    void clear();
    bool empty() const { return !onLine_ && replies_.empty() && stream_.empty(); }
    std::size_t droppedRecords() const { return droppedRecords_; }

private:
    // The piece that goes next, or null; `isReply` tells which queue it heads.
    const Piece* nextPiece(bool& isReply) const;

    LinePacer& pacer_;
    std::deque<std::deque<Piece>> replies_;
    std::deque<Piece> stream_;
    bool replyStarted_ = false; // the front reply has pieces on the line already
    std::optional<Chunk> onLine_;
    std::size_t droppedRecords_ = 0;
    Nanos writeLead_{0};
};

} // namespace rm7700emu
