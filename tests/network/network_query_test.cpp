// The network query: the two record kinds of acquisition mode, resynchronisation on
// garbage, one row per address, the radio selector and the destination it sends,
// and Run Query starting afresh. The radio is the emulator, held silent in
// acquisition mode; the test puts the records into the receive buffer itself.

#include "link/radio_commands.h"
#include "network/network_query.h"
#include "network/query_record.h"
#include "support/fake_query_view.h"
#include "support/suite_fixture.h"

#include <array>
#include <vector>

using radio::bytes;

namespace {

QStringList rowOf(const FakeQueryView& view, int row) {
    QStringList cells;
    for (const QString& cell : view.rows.at(static_cast<std::size_t>(row - 1)))
        cells << cell;
    return cells;
}

class NetworkQueryTest : public SuiteOnEmulator {
protected:
    void start() {
        // No records of its own: the test supplies them.
        startLink(Transport::Pty, {QStringLiteral("--query-rate"), QStringLiteral("0")});
        ASSERT_FALSE(HasFatalFailure());
        view = std::make_unique<FakeQueryView>(suite->query);
        suite->query.view = view.get();
        suite->query.readDescription = [](const QString& address) {
            return address == QStringLiteral("0A 1B FF") ? QStringLiteral("Pump house") : QString();
        };
    }

    // Runs the query; the batches of records arrive 100 ms apart (a radio selection
    // in between is an exchange with the radio, which starts with an empty receive
    // buffer), and the query is stopped 100 ms after the last. `leftOver` is what
    // the query left in the buffer.
    void runQueryWith(const std::vector<QByteArray>& batches) {
        int at = 100;
        for (const QByteArray& batch : batches) {
            QTimer::singleShot(at, &scope,
                               [this, batch] { suite->link.ReceiveBuffer.append(batch); });
            at += 100;
        }
        QTimer::singleShot(at, &scope, [this] {
            leftOver = suite->link.ReceiveBuffer;
            suite->query.ButtonStopQuery_Click();
        });
        suite->query.ButtonRunQuery_Click();
    }

    QByteArray leftOver;

    std::unique_ptr<FakeQueryView> view;
};

} // namespace

TEST(QueryRecords, TheTwoRecordKindsAndWhatIsLeftWaiting) {
    QueryHead head = examineQueryHead(bytes({0xCC, 0x85, 0x00, 0x01, 0x02}));
    ASSERT_EQ(head.action, QueryHead::Action::Record);
    EXPECT_EQ(head.size, 5);
    EXPECT_TRUE(head.record.hasRole && head.record.client);
    EXPECT_EQ(head.record.channel, 5);
    EXPECT_EQ(addressText(head.record.address), QStringLiteral("00 01 02"));

    head = examineQueryHead(bytes({0xCC, 0x0A, 0x0A, 0x1B, 0xFF}));
    EXPECT_FALSE(head.record.client);
    EXPECT_EQ(channelText(head.record.channel), QStringLiteral("A"));
    EXPECT_EQ(roleText(head.record.client), QStringLiteral("Server"));
    EXPECT_EQ(channelText(0x3F), QStringLiteral("3F"));

    head = examineQueryHead(bytes({0x87, 0x55, 0x66, 0x0A, 0x1B, 0xFF}));
    ASSERT_EQ(head.action, QueryHead::Action::Record);
    EXPECT_EQ(head.size, 6);
    EXPECT_FALSE(head.record.hasRole);
    EXPECT_EQ(addressText(head.record.address), QStringLiteral("0A 1B FF"));

    // A record not yet whole, or up to six bytes of anything, waits for more.
    EXPECT_EQ(examineQueryHead(bytes({0xCC, 0x85, 0x00, 0x01})).action, QueryHead::Action::Wait);
    EXPECT_EQ(examineQueryHead(bytes({0x87, 1, 2, 3, 4})).action, QueryHead::Action::Wait);
    EXPECT_EQ(examineQueryHead(QByteArray(6, 'x')).action, QueryHead::Action::Wait);
    EXPECT_EQ(examineQueryHead(QByteArray(7, 'x')).action, QueryHead::Action::DropOne);

    EXPECT_EQ(addressBytes(QStringLiteral("0A 1B FF")), bytes({0x0A, 0x1B, 0xFF}));
    EXPECT_EQ(addressBytes(QStringLiteral("00 01 02")), bytes({0x00, 0x01, 0x02}));
}

TEST_F(NetworkQueryTest, EachAddressGetsOneRowAndTheSecondRadioSelectsTheFirst) {
    start();
    ASSERT_FALSE(HasFatalFailure());
    runQueryWith({bytes({0xCC, 0x85, 0x00, 0x01, 0x02}), bytes({0xCC, 0x0A, 0x0A, 0x1B, 0xFF}),
                  bytes({0x87, 0, 0, 0x0A, 0x1B, 0xFF}) + bytes({0xCC, 0x0A, 0x0A, 0x1B, 0xFF})});

    ASSERT_EQ(view->rows.size(), 2u);
    EXPECT_EQ(rowOf(*view, 1), (QStringList{"1", "00 01 02", "Client", "5", "1", ""}));
    EXPECT_EQ(rowOf(*view, 2), (QStringList{"2", "0A 1B FF", "Server", "A", "3", "Pump house"}));
    EXPECT_EQ(suite->query.MacAddressList, (QStringList{"00 01 02", "0A 1B FF"}));
    EXPECT_EQ(suite->query.MacAddressCount, 2);
    EXPECT_TRUE(leftOver.isEmpty());

    // The first radio found selected nothing; the second selected entry "1" while
    // the selector held only that entry.
    EXPECT_EQ(view->selector, (QStringList{"1", "2"}));
    EXPECT_EQ(view->selectionsWhileListing, (std::vector<qsizetype>{1}));
    EXPECT_EQ(view->selected, 0);

    // Acquisition mode on and off, and the first radio made the destination.
    const QByteArray sent = emulator.takeReceived();
    EXPECT_TRUE(sent.contains(bytes({0xCC, 0x8E, 0x01})));
    EXPECT_TRUE(sent.contains(bytes({0xCC, 0x10, 0x00, 0x01, 0x02})));
    EXPECT_TRUE(sent.contains(bytes({0xCC, 0x8E, 0x00})));
    EXPECT_EQ(suite->modes.RadioState, ModeProtocol::Normal);
    EXPECT_TRUE(emulator.command(QStringLiteral("state")).contains(QStringLiteral("mode=0")));
}

TEST_F(NetworkQueryTest, ALongRecordBeforeAnyShortOneHasNoRoleOrChannel) {
    start();
    ASSERT_FALSE(HasFatalFailure());
    runQueryWith({bytes({0x87, 0x12, 0x34, 0x0A, 0x1B, 0xFF})});
    EXPECT_EQ(rowOf(*view, 1), (QStringList{"1", "0A 1B FF", "", "", "1", "Pump house"}));
}

TEST_F(NetworkQueryTest, GarbageIsDroppedOneByteAtATimeUntilARecordLeads) {
    start();
    ASSERT_FALSE(HasFatalFailure());
    // Nine junk bytes, then a record: the junk goes, the record is read.
    runQueryWith({QByteArray("\x01\x02\x03\x04\x05\x06\x07\x08\x09", 9) +
                  bytes({0xCC, 0x85, 0x00, 0x01, 0x02}) +
                  QByteArray("\x11\x12\x13\x14\x15\x16", 6)});
    EXPECT_EQ(suite->query.MacAddressCount, 1);
    EXPECT_EQ(suite->query.RecordsParsed, 1);
    // Six bytes that start no record stay, waiting for more.
    EXPECT_EQ(leftOver, QByteArray("\x11\x12\x13\x14\x15\x16", 6));
}

TEST_F(NetworkQueryTest, ChoosingARadioSendsItsAddressAsTheDestination) {
    start();
    ASSERT_FALSE(HasFatalFailure());
    runQueryWith({bytes({0xCC, 0x85, 0x00, 0x01, 0x02}), bytes({0xCC, 0x0A, 0x0A, 0x1B, 0xFF})});
    emulator.takeReceived();

    view->selectSelectorEntry(1); // entry "2"
    const QByteArray sent = emulator.takeReceived();
    EXPECT_TRUE(sent.contains(bytes({0xCC, 0x10, 0x0A, 0x1B, 0xFF}))) << sent.toHex(' ').data();
    EXPECT_EQ(view->currentRow, 2);
    EXPECT_TRUE(emulator.command(QStringLiteral("state")).contains(QStringLiteral("dest=0A1BFF")))
        << qPrintable(emulator.command(QStringLiteral("state")));
    // The radio's own address was read first, for restoring it at shut-down.
    EXPECT_EQ(suite->modes.LocalRadioAddress, bytes({0x12, 0x34, 0x56}));
    EXPECT_EQ(suite->modes.RadioState, ModeProtocol::Normal);
}

TEST_F(NetworkQueryTest, RunQueryStartsWithOneEmptyRowAndAnEmptySelector) {
    start();
    ASSERT_FALSE(HasFatalFailure());
    std::vector<QByteArray> four;
    for (unsigned char a = 1; a <= 4; ++a)
        four.push_back(bytes({0xCC, 0x01, a, a, a}));
    runQueryWith(four);
    ASSERT_EQ(view->rows.size(), 4u);

    runQueryWith({});
    EXPECT_EQ(view->rows.size(), 1u);
    EXPECT_EQ(rowOf(*view, 1), (QStringList{"", "", "", "", "", ""}));
    EXPECT_TRUE(view->selector.isEmpty());
    EXPECT_EQ(suite->query.MacAddressCount, 0);

    // Run Query while a query runs does nothing.
    bool nestedReturned = false;
    QTimer::singleShot(50, &scope, [&] {
        suite->query.ButtonRunQuery_Click();
        nestedReturned = true;
    });
    runQueryWith({});
    EXPECT_TRUE(nestedReturned);
}
