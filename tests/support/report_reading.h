#pragma once

#include <QFile>
#include <QMap>
#include <QStringList>
#include <QXmlStreamReader>

// A saved site report read the way a person reads it: each table by its id ("facts"
// for the unnamed "Connection and run" table) as rows of "cell | cell", a coloured
// cell as "text #RRGGBB"; "p" holds every paragraph and list item, "img" one entry
// per embedded PNG picture and "error" what made the HTML unreadable.
using ReadReport = QMap<QString, QStringList>;

inline ReadReport readReport(const QString& html) {
    ReadReport report;
    QXmlStreamReader xml(html);
    QString table, row, text, colour;
    bool dataRow = false;
    while (!xml.atEnd()) {
        xml.readNext();
        const QStringView name = xml.name();
        const auto attribute = [&](const char* a) {
            return xml.attributes().value(QLatin1String(a)).toString();
        };
        if (xml.isStartElement()) {
            if (name == u"table")
                table = attribute("id").isEmpty() ? QStringLiteral("facts") : attribute("id");
            else if (name == u"tr")
                row.clear(), dataRow = false;
            else if (name == u"td" || name == u"th" || name == u"p" || name == u"li")
                text.clear(), colour = attribute("bgcolor");
            else if (name == u"img" && attribute("src").startsWith(u"data:image/png;base64,"))
                report[QStringLiteral("img")] << QString();
        } else if (xml.isCharacters()) {
            text += xml.text();
        } else if (xml.isEndElement()) {
            if (name == u"td" || name == u"th") {
                dataRow = dataRow || name == u"td"; // a row of headings only is not read
                row += (row.isEmpty() ? QString() : QStringLiteral(" | ")) + text +
                       (colour.isEmpty() ? QString() : u' ' + colour);
            } else if (name == u"tr" && dataRow) {
                report[table] << row;
            } else if (name == u"p" || name == u"li") {
                report[QStringLiteral("p")] << text;
            }
        }
    }
    if (xml.hasError())
        report[QStringLiteral("error")] << xml.errorString();
    return report;
}

inline QString readText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}
