// The network query: the two record kinds of acquisition mode, resynchronisation on
// garbage, one row per address, the radio selector and the destination it sends,
// and Run Query starting afresh. The radio is the emulator, held silent in
// acquisition mode; the test puts the records into the receive buffer itself.

#include "link/radio_commands.h"
#include "network/network_query.h"
#include "network/query_record.h"
#include "support/fake_query_view.h"
#include "support/suite_fixture.h"

using radio::bytes;

using Row = std::array<QString, 6>;
using NetworkQueryTest = SuiteOnEmulator;

TEST(QueryRecords, ARecordNotYetWholeOrUpToSixBytesOfAnythingWaitForMore) {
    EXPECT_EQ(examineQueryHead(bytes({0xCC, 0x85, 0x00, 0x01})).action, QueryHead::Action::Wait);
    EXPECT_EQ(examineQueryHead(bytes({0x87, 1, 2, 3, 4})).action, QueryHead::Action::Wait);
    EXPECT_EQ(examineQueryHead(QByteArray(6, 'x')).action, QueryHead::Action::Wait);
    EXPECT_EQ(examineQueryHead(QByteArray(7, 'x')).action, QueryHead::Action::DropOne);
    EXPECT_EQ(channelText(0x3F), QStringLiteral("3F"));
}

TEST_F(NetworkQueryTest, EachAddressGetsOneRowAndChoosingARowAddressesItsRadio) {
    // No records of its own: the test supplies them.
    startLink(Transport::Pty, {QStringLiteral("--query-rate"), QStringLiteral("0")});
    ASSERT_FALSE(HasFatalFailure());
    FakeQueryView view(suite->query);
    suite->query.view = &view;
    suite->query.readDescription = [](const QString& address) {
        return address == QStringLiteral("0A 1B FF") ? QStringLiteral("Pump house") : QString();
    };
    // A long record before any short one has no role or channel; later ones take
    // those of the last short record. Junk is dropped a byte at a time until a
    // record leads; six bytes that start no record wait for more.
    const QByteArray batches[] = {
        bytes({0x87, 0x12, 0x34, 0x0A, 0x1B, 0xFF}),
        QByteArray("\x01\x02\x03\x04\x05\x06\x07\x08\x09", 9) +
            bytes({0xCC, 0x85, 0x00, 0x01, 0x02, 0x11}),
        bytes({0xCC, 0x0A, 0x0A, 0x1B, 0xFF, 0x87, 0, 0, 0x5E, 0x6F, 0x01}),
        QByteArray("\x11\x12\x13\x14\x15\x16", 6)};
    // The batches arrive 100 ms apart (a radio selection in between is an exchange
    // with the radio, which starts with an empty receive buffer); the query is
    // stopped 100 ms after the last, leaving `leftOver` in the buffer.
    int at = 100;
    for (const QByteArray& batch : batches)
        QTimer::singleShot(at += 100, &scope,
                           [&, batch] { suite->link.ReceiveBuffer.append(batch); });
    QByteArray leftOver;
    QTimer::singleShot(at + 100, &scope, [&] {
        leftOver = suite->link.ReceiveBuffer;
        suite->query.ButtonStopQuery_Click();
    });
    suite->query.ButtonRunQuery_Click();

    EXPECT_EQ(view.rows, (std::vector<Row>{{"1", "0A 1B FF", "", "", "2", "Pump house"},
                                           {"2", "00 01 02", "Client", "5", "1", ""},
                                           {"3", "5E 6F 01", "Server", "A", "1", ""}}));
    EXPECT_EQ(suite->query.MacAddressList, (QStringList{"0A 1B FF", "00 01 02", "5E 6F 01"}));
    EXPECT_EQ(std::pair(suite->query.RecordsParsed, leftOver),
              std::pair(std::int64_t{4}, QByteArray("\x11\x12\x13\x14\x15\x16", 6)));

    // The first radio found selected nothing; each later one selected the radio
    // listed last before it, while the selector held only the entries up to it.
    EXPECT_EQ(std::tuple(view.selector, view.selectionsWhileListing, view.selected),
              std::tuple(QStringList{"1", "2", "3"}, std::vector<qsizetype>{1, 2}, 1));
    // Acquisition mode on and off, and the radios made the destination in turn.
    const QByteArray sent = emulator.takeReceived();
    for (const auto& command : {bytes({0xCC, 0x8E, 0x01}), bytes({0xCC, 0x10, 0x0A, 0x1B, 0xFF}),
                                bytes({0xCC, 0x10, 0x00, 0x01, 0x02}), bytes({0xCC, 0x8E, 0x00})})
        EXPECT_TRUE(sent.contains(command)) << command.toHex(' ').data();
    EXPECT_EQ(suite->modes.RadioState, ModeProtocol::Normal);

    view.selectSelectorEntry(2); // entry "3"
    EXPECT_EQ(view.currentRow, 3);
    const QString state = emulator.command(QStringLiteral("state"));
    EXPECT_TRUE(state.contains(QStringLiteral("dest=5E6F01")) &&
                state.contains(QStringLiteral("mode=0")))
        << qPrintable(state);
    // The radio's own address was read first, for restoring it at shut-down.
    EXPECT_EQ(suite->modes.LocalRadioAddress, bytes({0x12, 0x34, 0x56}));
}
