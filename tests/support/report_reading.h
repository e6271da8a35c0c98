#pragma once

#include <QFile>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>
#include <vector>

// A saved site report read back the way a person reads it: the tables by their id,
// row by row, and the text of the printed PDF.
struct ReportCell {
    QString text;
    QString background; // the cell's bgcolor, if any
};
using ReportTable = std::vector<std::vector<ReportCell>>; // rows of data cells (no <th>)

struct ParsedReport {
    bool wellFormed = false;
    QString error;
    QMap<QString, ReportTable> tables; // by id
    QMap<QString, QString> facts;      // the "Connection and run" table: name -> value
    QStringList paragraphs;            // text of every <p> and <li>
    int images = 0;                    // embedded PNG pictures
};

inline ParsedReport parseReport(const QString& html) {
    ParsedReport parsed;
    QXmlStreamReader xml(html);
    QString tableId;
    bool anonymousTable = false;
    std::vector<ReportCell>* row = nullptr;
    QString th, text;
    bool inCell = false, inHeader = false, inPara = false;
    ReportCell cell;
    while (!xml.atEnd()) {
        xml.readNext();
        const QStringView name = xml.name();
        if (xml.isStartElement()) {
            if (name == u"table") {
                tableId = xml.attributes().value(QStringLiteral("id")).toString();
                anonymousTable = tableId.isEmpty();
            } else if (name == u"tr" && !tableId.isEmpty()) {
                parsed.tables[tableId].emplace_back();
                row = &parsed.tables[tableId].back();
            } else if (name == u"td") {
                inCell = true;
                cell = ReportCell{QString(),
                                  xml.attributes().value(QStringLiteral("bgcolor")).toString()};
            } else if (name == u"th") {
                inHeader = true;
                th.clear();
            } else if (name == u"p" || name == u"li") {
                inPara = true;
                text.clear();
            } else if (name == u"img" && xml.attributes()
                                             .value(QStringLiteral("src"))
                                             .startsWith(u"data:image/png;base64,")) {
                ++parsed.images;
            }
        } else if (xml.isCharacters()) {
            if (inCell)
                cell.text += xml.text();
            else if (inHeader)
                th += xml.text();
            if (inPara)
                text += xml.text();
        } else if (xml.isEndElement()) {
            if (name == u"td") {
                inCell = false;
                if (row)
                    row->push_back(cell);
                else if (anonymousTable)
                    parsed.facts[th] = cell.text;
            } else if (name == u"th") {
                inHeader = false;
            } else if (name == u"tr") {
                if (row && row->empty())
                    parsed.tables[tableId].pop_back(); // a header row
                row = nullptr;
            } else if (name == u"table") {
                tableId.clear();
                anonymousTable = false;
            } else if (name == u"p" || name == u"li") {
                inPara = false;
                parsed.paragraphs << text;
            }
        }
    }
    parsed.wellFormed = !xml.hasError();
    parsed.error = xml.errorString();
    return parsed;
}

inline QString readText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The PDF's text through pdftotext (poppler-utils); a null string when the tool
// is missing.
inline QString pdfText(const QString& path) {
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (tool.isEmpty())
        return QString();
    QProcess process;
    process.start(tool, {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QStringLiteral("<pdftotext failed>");
    return QString::fromUtf8(process.readAllStandardOutput());
}
