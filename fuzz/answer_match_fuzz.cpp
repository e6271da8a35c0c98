// Arbitrary receive-buffer contents against every kind of expected reply: the
// matching must never read outside the buffer, and consuming a reply found by its
// content must leave exactly what followed its first occurrence.

#include "link/answer_match.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const unsigned kind = data[0] % 3;
    const std::size_t patternLength = 1 + data[1] % 6;
    data += 2;
    size -= 2;
    if (size < patternLength)
        return 0;
    const QByteArray pattern(reinterpret_cast<const char*>(data),
                             static_cast<qsizetype>(patternLength));
    QByteArray buffer(reinterpret_cast<const char*>(data + patternLength),
                      static_cast<qsizetype>(size - patternLength));
    const QByteArray original = buffer;

    const ExpectedAnswer answer = kind == 0 ? ExpectedAnswer::containing(pattern)
                                  : kind == 1
                                      ? ExpectedAnswer::atLeast(static_cast<int>(patternLength))
                                      : ExpectedAnswer::endingWith(pattern.front());
    const bool satisfied = answer.isSatisfiedBy(buffer);
    answer.consume(buffer);

    if (!original.endsWith(buffer))
        std::abort(); // only a prefix may ever be removed
    if (kind == 0 && satisfied) {
        const qsizetype at = original.indexOf(pattern);
        if (buffer != original.mid(at + pattern.size()))
            std::abort();
    }
    if (kind != 0 && buffer != original)
        std::abort();
    return 0;
}
