#include "dialogs/about_text.h"

#include <QStringList>

QString AboutMakerName() {
    return QStringLiteral("Veltrane Systems");
}

QString VersionLine(int major, int minor) {
    // A minor number below ten gets a leading zero; a larger one is written as is.
    const QString separator = minor < 10 ? QStringLiteral(".0") : QStringLiteral(".");
    return QStringLiteral("Version: ") + QString::number(major) + separator +
           QString::number(minor);
}

QString RevisionLine(int revision) {
    return QStringLiteral("Revision: ") + QString::number(revision);
}

QString AboutContactText(int major, int minor, int revision) {
    const QStringList lines = {
        QStringLiteral("14 Harrow Mill Lane"),
        QStringLiteral("Kestrel Park, Northfield NF4 7QT"),
        QStringLiteral("Tel: +44 1632 960 418"),
        QStringLiteral("Fax: +44 1632 960 419"),
        QStringLiteral("www.veltrane-systems.example"),
        QStringLiteral("email: support@veltrane-systems.example"),
        VersionLine(major, minor),
        RevisionLine(revision),
    };
    // CR LF between lines, as the text has always been laid out; the text boxes
    // show it as plain line breaks.
    return lines.join(QStringLiteral("\r\n"));
}

QString AboutContactTextForThisBuild() {
    return AboutContactText(VELTRANE_VERSION_MAJOR, VELTRANE_VERSION_MINOR, VELTRANE_VERSION_PATCH);
}
