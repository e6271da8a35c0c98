#include "link/answer_match.h"

ExpectedAnswer ExpectedAnswer::containing(const QByteArray& bytes) {
    return ExpectedAnswer(Kind::Containing, bytes, 0);
}

ExpectedAnswer ExpectedAnswer::atLeast(int count) {
    return ExpectedAnswer(Kind::AtLeast, {}, count);
}

ExpectedAnswer ExpectedAnswer::endingWith(char byte) {
    return ExpectedAnswer(Kind::EndingWith, QByteArray(1, byte), 0);
}

bool ExpectedAnswer::isSatisfiedBy(const QByteArray& buffer) const {
    switch (kind_) {
    case Kind::Containing:
        return buffer.contains(bytes_);
    case Kind::AtLeast:
        return buffer.size() >= count_;
    case Kind::EndingWith:
        return !buffer.isEmpty() && buffer.back() == bytes_.front();
    }
    return false;
}

void ExpectedAnswer::consume(QByteArray& buffer) const {
    if (kind_ != Kind::Containing)
        return;
    const qsizetype at = buffer.indexOf(bytes_);
    if (at >= 0)
        buffer.remove(0, at + bytes_.size());
}
