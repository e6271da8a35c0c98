#include "recording/csv_text.h"

#include <QStringDecoder>
#include <cmath>

namespace {

const QString kLineEnd = QStringLiteral("\r\n");

bool needsQuotes(const QString& text) {
    if (text.isEmpty())
        return false;
    if (text.front().isSpace() || text.back().isSpace())
        return true; // some readers trim unquoted blanks
    for (const QChar c : text)
        if (c == u',' || c == u'"' || c == u'\r' || c == u'\n')
            return true;
    return false;
}

// Characters a text file of ours never holds: the C0 controls but tab, CR and LF.
bool isForbiddenControl(QChar c) {
    return c.unicode() < 0x20 && c != u'\t' && c != u'\r' && c != u'\n';
}

} // namespace

QString csvField(const QString& text) {
    if (!needsQuotes(text))
        return text;
    QString quoted = text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString csvLine(const QStringList& fields) {
    QString line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += u',';
        line += csvField(fields.at(i));
    }
    return line + kLineEnd;
}

QString csvText(const CsvRows& rows) {
    QString text;
    for (const QStringList& row : rows)
        text += csvLine(row);
    return text;
}

QByteArray csvFileBytes(const CsvRows& rows) {
    return QByteArrayLiteral("\xEF\xBB\xBF") + csvText(rows).toUtf8();
}

QString decimalText(double value, int maxDecimals) {
    if (!std::isfinite(value))
        return QString();
    // QString::number never uses the desktop's locale: the mark is always a dot.
    QString text = QString::number(value, 'f', maxDecimals);
    if (text.contains(u'.')) {
        while (text.endsWith(u'0'))
            text.chop(1);
        if (text.endsWith(u'.'))
            text.chop(1);
    }
    if (text == QStringLiteral("-0"))
        text = QStringLiteral("0");
    return text;
}

CsvParse parseCsv(const QByteArray& bytes) {
    CsvParse result;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return {{},
                QStringLiteral("it is not a text file (it holds bytes that are not UTF-8 text)")};
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    for (const QChar c : text)
        if (isForbiddenControl(c))
            return {{}, QStringLiteral("it is not a text file (it holds control characters)")};

    QStringList record;
    QString field;
    bool quoted = false;       // inside a quoted field
    bool afterQuote = false;   // a quoted field has just closed
    bool fieldStarted = false; // the current record has at least one character
    int line = 1;
    const auto endRecord = [&] {
        record << field;
        result.rows << record;
        record.clear();
        field.clear();
        afterQuote = false;
        fieldStarted = false;
    };
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < n && text.at(i + 1) == u'"') {
                    field += u'"';
                    ++i;
                } else {
                    quoted = false;
                    afterQuote = true;
                }
            } else {
                if (c == u'\n')
                    ++line;
                field += c;
            }
            continue;
        }
        if (c == u',') {
            record << field;
            field.clear();
            afterQuote = false;
            fieldStarted = true;
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r') {
                if (i + 1 >= n || text.at(i + 1) != u'\n')
                    return {{}, QStringLiteral("line %1 ends in a lone carriage return").arg(line)};
                ++i;
            }
            endRecord();
            ++line;
        } else if (c == u'"') {
            if (!field.isEmpty() || afterQuote)
                return {{}, QStringLiteral("line %1 has a quote inside a field").arg(line)};
            quoted = true;
            fieldStarted = true;
        } else {
            if (afterQuote)
                return {{}, QStringLiteral("line %1 has text after a closing quote").arg(line)};
            field += c;
            fieldStarted = true;
        }
    }
    if (quoted)
        return {{},
                QStringLiteral("a quoted field that begins on line %1 or earlier is not "
                               "closed: the file ends inside it")
                    .arg(line)};
    if (fieldStarted || !field.isEmpty() || !record.isEmpty())
        endRecord(); // a last line without its line end
    return result;
}
