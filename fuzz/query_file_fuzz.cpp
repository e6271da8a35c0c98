// Any bytes as a saved network query (Load Query). The reader either refuses the
// file with a reason and no rows, or returns rows that a query could have listed;
// those rows, written again, read back identically.

#include "recording/csv_text.h"
#include "fuzz_support.h"
#include "network/query_file.h"

#include <QSet>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QueryFileRead read = readQueryFile(bytes);
    if (!read.error.isEmpty()) {
        check(read.query.rows.isEmpty());
        return 0;
    }
    check(read.query.ranAt.isValid());
    check(read.query.rows.size() <= kQueryFileRowLimit);
    QSet<QString> addresses;
    for (const QueryFileRow& row : read.query.rows) {
        check(row.address.size() == 8);
        check(!addresses.contains(row.address));
        addresses.insert(row.address);
        check(row.type.isEmpty() || row.type == QStringLiteral("Client") ||
              row.type == QStringLiteral("Server"));
        check(!row.responses.isEmpty());
    }
    const QueryFileRead again = readQueryFile(queryFileBytes(read.query));
    check(again.error.isEmpty());
    check(again.query.ranAt == read.query.ranAt);
    check(again.query.rows == read.query.rows);

    // The CSV layer alone: whatever it reads, written again, reads the same.
    const CsvParse csv = parseCsv(bytes);
    if (csv.error.isEmpty()) {
        const CsvParse reread = parseCsv(csvFileBytes(csv.rows));
        check(reread.error.isEmpty());
        check(reread.rows == csv.rows);
    }
    return 0;
}
