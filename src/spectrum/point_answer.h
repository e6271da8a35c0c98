#pragma once

#include <QByteArray>
#include <optional>

// The radio's answer to the level request 0x21 0x02 in configuration mode: four
// bytes, 0x21, one byte not used, then the detector reading as a 16-bit
// little-endian number (1023 stands for 3.3 V).
inline constexpr unsigned char kLevelAnswerLead = 0x21;
inline constexpr qsizetype kLevelAnswerSize = 4;

// The reading at the head of `received`, or nothing when the head is not a whole
// level answer (fewer than 4 bytes, or a first byte other than 0x21: junk on the
// line, or the radio has dropped out of configuration mode). Bytes after the first
// four are not looked at.
std::optional<int> decodeLevelAnswer(const QByteArray& received);
