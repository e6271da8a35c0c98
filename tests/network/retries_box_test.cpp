#include "network/retries_box.h"

#include <gtest/gtest.h>

TEST(RetriesBox, OnlyOneTo255IsAccepted) {
    EXPECT_EQ(ValidRetries(QStringLiteral("255")), 255);
    EXPECT_EQ(ValidRetries(QStringLiteral("1")), 1);
    EXPECT_EQ(ValidRetries(QStringLiteral("2.5")), 2); // halves to even, as every conversion
    for (const char* bad : {"0", "256", "", "1.2.3", ".", "0.4"})
        EXPECT_FALSE(ValidRetries(QString::fromLatin1(bad)).has_value()) << bad;
}

TEST(RetriesBox, StatisticsFallBackToTheSettingWhenTheBoxHoldsNoNumber) {
    EXPECT_EQ(MissRunLengthFromBox(QStringLiteral("3"), 1), 3);
    EXPECT_EQ(MissRunLengthFromBox(QString(), 4), 4);
    EXPECT_EQ(MissRunLengthFromBox(QStringLiteral("1.2.3"), 4), 4);
    EXPECT_EQ(MissRunLengthFromBox(QStringLiteral("0"), 4), 1); // being typed: kept sane
    EXPECT_EQ(MissRunLengthFromBox(QStringLiteral("9999"), 4), 255);
}
