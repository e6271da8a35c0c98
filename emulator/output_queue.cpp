#include "output_queue.h"

#include <algorithm>

namespace rm7700emu {

void OutputQueue::addReply(std::vector<Piece> pieces) {
    if (pieces.empty()) {
        return;
    }
    replies_.emplace_back(std::make_move_iterator(pieces.begin()),
                          std::make_move_iterator(pieces.end()));
}

void OutputQueue::addStream(Bytes record, Nanos readyAt) {
    if (stream_.size() >= kMaxStreamBacklog) {
        ++droppedRecords_;
        return;
    }
    stream_.push_back({std::move(record), readyAt});
}

const Piece* OutputQueue::nextPiece(bool& isReply) const {
    if (replyStarted_) {
        isReply = true;
        return &replies_.front().front();
    }
    const Piece* reply = replies_.empty() ? nullptr : &replies_.front().front();
    const Piece* record = stream_.empty() ? nullptr : &stream_.front();
    // Whichever was ready first goes first; on a tie the reply wins.
    if (reply && (!record || reply->readyAt <= record->readyAt)) {
        isReply = true;
        return reply;
    }
    isReply = false;
    return record;
}

std::vector<Chunk> OutputQueue::takeDue(Nanos now) {
    std::vector<Chunk> due;
    for (;;) {
        if (onLine_) {
            if (onLine_->writeAt > now) {
                break;
            }
            due.push_back(std::move(*onLine_));
            onLine_.reset();
        }
        bool isReply = false;
        const Piece* next = nextPiece(isReply);
        // Commit a piece to the line only once it has actually started; something
        // that becomes ready before then may still have to go first.
        if (!next || std::max(next->readyAt, pacer_.transmitFreeAt()) > now) {
            break;
        }
        const Nanos start = std::max(next->readyAt, pacer_.transmitFreeAt());
        const Nanos lastByteAt = pacer_.transmit(next->bytes.size(), next->readyAt);
        const Nanos writeAt = std::max(start, lastByteAt - writeLead_);
        if (isReply) {
            onLine_ = Chunk{std::move(replies_.front().front().bytes), writeAt};
            replies_.front().pop_front();
            replyStarted_ = !replies_.front().empty();
            if (!replyStarted_) {
                replies_.pop_front();
            }
        } else {
            onLine_ = Chunk{std::move(stream_.front().bytes), writeAt};
            stream_.pop_front();
        }
    }
    return due;
}

Nanos OutputQueue::nextEvent() const {
    if (onLine_) {
        return onLine_->writeAt;
    }
    bool isReply = false;
    const Piece* next = nextPiece(isReply);
    return next ? std::max(next->readyAt, pacer_.transmitFreeAt()) : kNever;
}

void OutputQueue::clear() {
    replies_.clear();
    stream_.clear();
    replyStarted_ = false;
    onLine_.reset();
}

} // namespace rm7700emu
