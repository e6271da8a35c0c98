#include "link/answer_match.h"
#include "link/radio_commands.h"

#include <gtest/gtest.h>

using radio::bytes;

// A content answer is found anywhere, byte for byte (high and zero bytes too), and
// consuming it leaves only what follows its first occurrence; a counted answer is
// left whole for the caller; a last-byte answer looks at the last byte only.
TEST(ExpectedAnswer, ContentCountAndLastByteRules) {
    const auto content = ExpectedAnswer::containing(bytes({0xCC, 0x00, 0x80}));
    QByteArray buffer = bytes({0x00, 0xCC, 0x41, 0x4C, 0x00, 0x80, 0xCC, 0x00}); // 0xCC lost bit 7
    EXPECT_FALSE(content.isSatisfiedBy(buffer));
    EXPECT_FALSE(content.isSatisfiedBy(bytes({0xCC, 0x00, 0x81})));
    buffer += bytes({0x80, 0x07, 0xCC, 0x00, 0x80});
    ASSERT_TRUE(content.isSatisfiedBy(buffer));
    content.consume(buffer);
    EXPECT_EQ(buffer, bytes({0x07, 0xCC, 0x00, 0x80}));

    const auto counted = ExpectedAnswer::atLeast(4);
    buffer = bytes({0x21, 0x02, 0xFF});
    EXPECT_FALSE(counted.isSatisfiedBy(buffer));
    buffer += bytes({0x03, 0x99});
    ASSERT_TRUE(counted.isSatisfiedBy(buffer));
    counted.consume(buffer);
    EXPECT_EQ(buffer.size(), 5);

    const auto last = ExpectedAnswer::endingWith('V');
    EXPECT_FALSE(last.isSatisfiedBy(QByteArray()));
    EXPECT_FALSE(last.isSatisfiedBy(QByteArrayLiteral("V\r")));
    EXPECT_TRUE(last.isSatisfiedBy(QByteArrayLiteral("\r\nV")));
}
