#include "spectrum/point_answer.h"

std::optional<int> decodeLevelAnswer(const QByteArray& received) {
    if (received.size() < kLevelAnswerSize)
        return std::nullopt;
    if (static_cast<unsigned char>(received.at(0)) != kLevelAnswerLead)
        return std::nullopt;
    const int low = static_cast<unsigned char>(received.at(2));
    const int high = static_cast<unsigned char>(received.at(3));
    return high * 256 + low;
}
