// Whatever the radio sends in acquisition mode, arriving in chunks of any size: the
// query takes only whole records and drops garbage a byte at a time, never grows
// the grid beyond one row per distinct address, keeps every row's response count
// equal to the records seen for its address, and leaves at most six bytes waiting.
// The first byte gives the chunk size.

#include "app/suite.h"
#include "fuzz_support.h"
#include "network/query_record.h"
#include "support/fake_query_view.h"
#include "support/fakes.h"

#include <QCoreApplication>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ensureApplication();
    if (size < 1)
        return 0;
    const std::size_t chunk = 1 + data[0] % 16;
    ScriptedMessages messages;
    RecordedStatus status;
    TestSurfaces surfaces;
    Suite suite(messages, status, surfaces);
    FakeQueryView view(suite.query, false); // no radio to send destinations to
    NetworkQuery& query = suite.query;
    query.view = &view;

    QByteArray& received = suite.link.ReceiveBuffer;
    for (std::size_t at = 1; at < size; at += chunk) {
        received.append(reinterpret_cast<const char*>(data + at),
                        static_cast<qsizetype>(std::min(chunk, size - at)));
        while (query.TakeFromHead()) {
        }
        // What is left cannot be dealt with yet: a record not yet whole, or at most
        // six bytes of anything.
        check(examineQueryHead(received).action == QueryHead::Action::Wait);
        check(received.size() <= 6);
    }

    check(view.resultRows() == std::max<int>(1, query.MacAddressCount));
    check(query.MacAddressList.size() == query.MacAddressCount);
    qint64 responses = 0;
    for (int row = 1; row <= query.MacAddressCount; ++row) {
        check(view.cell(row, NetworkQuery::Address) == query.MacAddressList.at(row - 1));
        check(query.MacAddressList.indexOf(query.MacAddressList.at(row - 1)) == row - 1);
        responses += view.cell(row, NetworkQuery::Responses).toLongLong();
    }
    check(responses == query.RecordsParsed);
    return 0;
}
