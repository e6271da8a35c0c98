#include "link/answer_match.h"
#include "link/radio_commands.h"

#include <gtest/gtest.h>

using radio::bytes;

TEST(ExpectedAnswer, ContentIsFoundAnywhereAndOnlyWhatFollowsStays) {
    const auto answer = ExpectedAnswer::containing(bytes({0xCC, 'C', 'O', 'M'}));
    QByteArray buffer = bytes({0x00, 0xCC, 0x41, 0xCC, 'C', 'O'});
    EXPECT_FALSE(answer.isSatisfiedBy(buffer)); // incomplete reply
    buffer += bytes({'M', 0xCC, 0x05, 0xFF});
    ASSERT_TRUE(answer.isSatisfiedBy(buffer));
    answer.consume(buffer);
    EXPECT_EQ(buffer, bytes({0xCC, 0x05, 0xFF}));
}

TEST(ExpectedAnswer, FirstOccurrenceIsConsumed) {
    const auto answer = ExpectedAnswer::containing(bytes({0xCC, 0x00}));
    QByteArray buffer = bytes({0xCC, 0x00, 0x07, 0xCC, 0x00});
    answer.consume(buffer);
    EXPECT_EQ(buffer, bytes({0x07, 0xCC, 0x00}));
}

TEST(ExpectedAnswer, CountedReplyIsLeftWholeForTheCaller) {
    const auto answer = ExpectedAnswer::atLeast(4);
    QByteArray buffer = bytes({0x21, 0x02, 0xFF});
    EXPECT_FALSE(answer.isSatisfiedBy(buffer));
    buffer += bytes({0x03, 0x99});
    ASSERT_TRUE(answer.isSatisfiedBy(buffer));
    answer.consume(buffer);
    EXPECT_EQ(buffer.size(), 5);
}

TEST(ExpectedAnswer, LastByteRule) {
    const auto answer = ExpectedAnswer::endingWith('V');
    EXPECT_FALSE(answer.isSatisfiedBy(QByteArray()));
    EXPECT_FALSE(answer.isSatisfiedBy(QByteArrayLiteral("V\r")));
    EXPECT_TRUE(answer.isSatisfiedBy(QByteArrayLiteral("\r\nV")));
}

TEST(ExpectedAnswer, ComparisonIsByteExactForHighAndZeroBytes) {
    const auto answer = ExpectedAnswer::containing(bytes({0xCC, 0x00, 0x80}));
    EXPECT_FALSE(answer.isSatisfiedBy(bytes({0xCC, 0x00, 0x81})));
    EXPECT_FALSE(answer.isSatisfiedBy(bytes({0x4C, 0x00, 0x80}))); // 0xCC with bit 7 lost
    EXPECT_TRUE(answer.isSatisfiedBy(bytes({0xFF, 0xCC, 0x00, 0x80})));
}
