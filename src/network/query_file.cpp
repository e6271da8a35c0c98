#include "network/query_file.h"

#include "recording/csv_text.h"

#include <QRegularExpression>
#include <QSet>

namespace {

const QString kRunTag = QStringLiteral("Query Run");
const QString kRadiosTag = QStringLiteral("Radios");
const QStringList kHeader{QStringLiteral("MAC Address"), QStringLiteral("Type"),
                          QStringLiteral("RF Channel"), QStringLiteral("Number of Responses"),
                          QStringLiteral("Description")};
const QString kTimeFormat = QStringLiteral("yyyy-MM-dd'T'HH:mm:ss");

QueryFileRead failed(const QString& why) {
    return {{}, why};
}

// Why a row is not one that a query lists, or empty.
QString rowProblem(const QStringList& fields) {
    static const QRegularExpression address(
        QStringLiteral("^[0-9A-F]{2} [0-9A-F]{2} [0-9A-F]{2}$"));
    static const QRegularExpression channel(QStringLiteral("^(0|[1-3][0-9A-F]|[1-9A-F])$"));
    static const QRegularExpression count(QStringLiteral("^[1-9][0-9]{0,17}$"));
    if (fields.size() != kHeader.size())
        return QStringLiteral("it has %1 fields instead of %2")
            .arg(fields.size())
            .arg(kHeader.size());
    if (!address.match(fields.at(0)).hasMatch())
        return QStringLiteral("\"%1\" is not a radio address").arg(fields.at(0).left(40));
    const QString& type = fields.at(1);
    if (!type.isEmpty() && type != QStringLiteral("Client") && type != QStringLiteral("Server"))
        return QStringLiteral("the type is neither Client nor Server");
    if (!fields.at(2).isEmpty() && !channel.match(fields.at(2)).hasMatch())
        return QStringLiteral("the RF channel is not a channel number");
    if (!count.match(fields.at(3)).hasMatch())
        return QStringLiteral("the number of responses is not a count");
    return QString();
}

} // namespace

QByteArray queryFileBytes(const QueryFile& query) {
    CsvRows rows;
    rows << QStringList{kRunTag, query.ranAt.toString(kTimeFormat), kRadiosTag,
                        QString::number(query.rows.size())};
    rows << kHeader;
    for (const QueryFileRow& row : query.rows)
        rows << QStringList{row.address, row.type, row.channel, row.responses, row.description};
    return csvFileBytes(rows);
}

QueryFileRead readQueryFile(const QByteArray& bytes) {
    if (bytes.size() > kQueryFileSizeLimit)
        return failed(QStringLiteral("it is larger than a query file can be (%1 KB at most)")
                          .arg(kQueryFileSizeLimit / 1024));
    if (bytes.isEmpty())
        return failed(QStringLiteral("it is empty"));
    const CsvParse csv = parseCsv(bytes);
    if (!csv.error.isEmpty())
        return failed(QStringLiteral("it is damaged: ") + csv.error);

    const CsvRows& lines = csv.rows;
    const QStringList first = lines.value(0);
    if (first.size() != 4 || first.at(0) != kRunTag || first.at(2) != kRadiosTag)
        return failed(QStringLiteral("it is not a saved network query (its first line does not "
                                     "say when a query ran)"));
    QueryFile query;
    query.ranAt = QDateTime::fromString(first.at(1), kTimeFormat);
    if (!query.ranAt.isValid())
        return failed(QStringLiteral("it is damaged: the time of the query is not a valid time"));
    bool countRead = false;
    const qlonglong expected = first.at(3).toLongLong(&countRead);
    if (!countRead || expected < 0 || expected > kQueryFileRowLimit)
        return failed(QStringLiteral("it is damaged: the number of radios is not valid"));
    if (lines.size() < 2 || lines.at(1) != kHeader)
        return failed(QStringLiteral("it is damaged: the column headings are missing or changed"));

    QSet<QString> seen;
    for (qsizetype i = 2; i < lines.size(); ++i) {
        const QStringList& fields = lines.at(i);
        const QString problem = rowProblem(fields);
        if (!problem.isEmpty())
            return failed(QStringLiteral("it is damaged: radio %1 is not valid (%2)")
                              .arg(i - 1)
                              .arg(problem));
        if (seen.contains(fields.at(0)))
            return failed(
                QStringLiteral("it is damaged: the radio %1 is listed twice").arg(fields.at(0)));
        seen.insert(fields.at(0));
        query.rows << QueryFileRow{fields.at(0), fields.at(1), fields.at(2), fields.at(3),
                                   fields.at(4)};
        if (query.rows.size() > expected)
            break;
    }
    if (query.rows.size() != expected)
        return failed(query.rows.size() < expected
                          ? QStringLiteral("it is cut short: it lists %1 of its %2 radios")
                                .arg(query.rows.size())
                                .arg(expected)
                          : QStringLiteral("it is damaged: it lists more radios than it says"));
    return {query, QString()};
}
