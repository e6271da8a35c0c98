#pragma once

#include <QByteArray>

// What a command exchange waits for in the receive buffer. The radio's replies are
// not framed: a reply is recognised wherever it occurs among the received bytes
// (bytes before it are leftovers or line noise), by a byte count when the reply has
// no fixed content, or by its last byte.
class ExpectedAnswer {
public:
    // Satisfied when `bytes` occurs anywhere in the buffer (byte-exact).
    static ExpectedAnswer containing(const QByteArray& bytes);
    // Satisfied when the buffer holds at least `count` bytes.
    static ExpectedAnswer atLeast(int count);
    // Satisfied when the last received byte is `byte`.
    static ExpectedAnswer endingWith(char byte);

    bool isSatisfiedBy(const QByteArray& buffer) const;

    // After a satisfied wait: removes what the answer used up. A reply found by its
    // content is removed together with everything before it; the bytes after it stay
    // for the caller. A counted reply is left whole for the caller to parse.
    void consume(QByteArray& buffer) const;

private:
    enum class Kind { Containing, AtLeast, EndingWith };
    ExpectedAnswer(Kind kind, QByteArray bytes, int count)
        : kind_(kind), bytes_(std::move(bytes)), count_(count) {}

    Kind kind_;
    QByteArray bytes_;
    int count_;
};
