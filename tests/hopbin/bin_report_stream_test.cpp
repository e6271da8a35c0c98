// Finding bin reports at the head of the received bytes.

#include "hopbin/bin_report_stream.h"
#include "link/radio_commands.h"

#include <gtest/gtest.h>

using radio::bytes;

TEST(BinReportStream, TakesOneReportAndLeavesTheNext) {
    QByteArray received = bytes({0xCC, 0x05, 0xFF, 0x00, 0xCC, 0x06});
    const ReportHead head = takeReportFromHead(received);
    ASSERT_EQ(head.kind, ReportHead::Kind::Report);
    EXPECT_EQ(head.report.bin, 5);
    EXPECT_EQ(head.report.remoteRssi, 0xFF);
    EXPECT_EQ(head.report.pcRssi, 0x00);
    EXPECT_EQ(received, bytes({0xCC, 0x06}));

    // The rest of the next report has not arrived yet: nothing is taken.
    EXPECT_EQ(takeReportFromHead(received).kind, ReportHead::Kind::Incomplete);
    EXPECT_EQ(received, bytes({0xCC, 0x06}));
}

TEST(BinReportStream, OutOfStepBytesAreDroppedOneAtATime) {
    QByteArray received = bytes({0x41, 0x42, 0xCC, 0x03, 0x80, 0x80});
    EXPECT_EQ(takeReportFromHead(received).kind, ReportHead::Kind::OutOfStep);
    EXPECT_EQ(received, bytes({0x42, 0xCC, 0x03, 0x80, 0x80}));
    EXPECT_EQ(takeReportFromHead(received).kind, ReportHead::Kind::OutOfStep);
    const ReportHead head = takeReportFromHead(received);
    ASSERT_EQ(head.kind, ReportHead::Kind::Report);
    EXPECT_EQ(head.report.bin, 3);
    EXPECT_TRUE(received.isEmpty());
}

TEST(BinReportStream, ThreeStrayBytesWaitForAFourth) {
    // Three bytes cannot be told apart from the start of a report that is still
    // arriving, whatever they hold.
    QByteArray received = bytes({0x41, 0x42, 0x43});
    EXPECT_EQ(takeReportFromHead(received).kind, ReportHead::Kind::Incomplete);
    EXPECT_EQ(received.size(), 3);
}

TEST(BinReportStream, BinNumbersArePassedOnAsReceived) {
    QByteArray received = bytes({0xCC, 0xC8, 0x10, 0x20});
    const ReportHead head = takeReportFromHead(received);
    ASSERT_EQ(head.kind, ReportHead::Kind::Report);
    EXPECT_EQ(head.report.bin, 200);
}
