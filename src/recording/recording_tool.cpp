// veltrane-recording: what a recording (*.ban, *.san) holds, and its records as CSV,
// without starting the suite or attaching a radio.
//
// Exit status: 0 done, 1 a file could not be read or written, 2 wrong usage.

#include "recording/recording_summary.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cstdio>

namespace {
constexpr int kFileProblem = 1;
constexpr int kUsageProblem = 2;
constexpr qsizetype kBlockBytes = 1 << 16;

const char kCommandsText[] = "Commands:\n"
                             "  info FILE        what the recording holds: kind, records,\n"
                             "                   sweeps, times, ranges, unusable records\n"
                             "  csv FILE [OUT]   every record as a CSV line, to OUT or the\n"
                             "                   standard output\n";

void printError(const QString& text) {
    std::fputs(qPrintable(QCoreApplication::applicationName() + QStringLiteral(": ") + text +
                          QLatin1Char('\n')),
               stderr);
}

int usageError(const QString& text) {
    printError(text);
    std::fputs("Usage: veltrane-recording info FILE\n"
               "       veltrane-recording csv FILE [OUT]\n"
               "Try 'veltrane-recording --help' for more.\n",
               stderr);
    return kUsageProblem;
}

// Opens the recording for reading; on failure prints why.
bool openRecording(QFile& file, const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        printError(QStringLiteral("%1: no such file").arg(path));
        return false;
    }
    if (info.isDir()) {
        printError(QStringLiteral("%1: is a directory, not a recording").arg(path));
        return false;
    }
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly)) {
        printError(QStringLiteral("%1: cannot be read: %2").arg(path, file.errorString()));
        return false;
    }
    return true;
}

int runInfo(const QString& path) {
    QFile file;
    if (!openRecording(file, path))
        return kFileProblem;
    QString error;
    const auto summary = summarize(file, recordingKindOf(path), &error);
    if (!summary) {
        printError(QStringLiteral("%1: read failed: %2").arg(path, error));
        return kFileProblem;
    }
    std::fputs(summaryText(path, *summary).toUtf8().constData(), stdout);
    return std::fflush(stdout) == 0 ? 0 : kFileProblem;
}

int runCsv(const QString& path, const QString& outPath) {
    QFile file;
    if (!openRecording(file, path))
        return kFileProblem;

    // Written to a new file that replaces OUT only once complete, so a failed run
    // leaves no half file behind and OUT may even name the recording itself.
    // A device or a pipe (/dev/null, a FIFO) is written directly.
    QSaveFile savedOut;
    QFile standardOut;
    QIODevice* out = nullptr;
    const QFileInfo outInfo(outPath);
    if (outPath.isEmpty() || outPath == QLatin1String("-")) {
        if (!standardOut.open(stdout, QIODevice::WriteOnly)) {
            printError(QStringLiteral("cannot write to the standard output"));
            return kFileProblem;
        }
        out = &standardOut;
    } else if (outInfo.isDir()) {
        printError(QStringLiteral("%1: is a directory").arg(outPath));
        return kFileProblem;
    } else if (outInfo.exists() && !outInfo.isFile()) {
        standardOut.setFileName(outPath);
        if (!standardOut.open(QIODevice::WriteOnly)) {
            printError(QStringLiteral("%1: cannot be written: %2")
                           .arg(outPath, standardOut.errorString()));
            return kFileProblem;
        }
        out = &standardOut;
    } else {
        savedOut.setFileName(outPath);
        if (!savedOut.open(QIODevice::WriteOnly)) {
            printError(
                QStringLiteral("%1: cannot be written: %2").arg(outPath, savedOut.errorString()));
            return kFileProblem;
        }
        out = &savedOut;
    }

    // Lines are gathered into blocks so that a large file costs few writes.
    QByteArray block;
    bool written = true;
    const auto writeBlock = [&] {
        written = written && out->write(block) == block.size();
        block.resize(0); // keeps its capacity for the next block
        return written;
    };
    block.reserve(kBlockBytes + 256);
    block += csvHeader().toUtf8();
    block += '\n';
    QString error;
    const bool read = forEachRecord(
        file,
        [&](qint64 number, const FileVar& record) {
            appendCsvLine(block, number, record);
            block += '\n';
            return block.size() < kBlockBytes || writeBlock();
        },
        nullptr, &error);
    if (written)
        writeBlock();
    if (!written) {
        printError(QStringLiteral("%1: write failed: %2")
                       .arg(outPath.isEmpty() ? QStringLiteral("standard output") : outPath,
                            out->errorString()));
        return kFileProblem;
    }
    if (!read) {
        printError(QStringLiteral("%1: read failed: %2").arg(path, error));
        return kFileProblem;
    }
    if (out == &savedOut) {
        if (!savedOut.commit()) {
            printError(
                QStringLiteral("%1: cannot be written: %2").arg(outPath, savedOut.errorString()));
            return kFileProblem;
        }
    } else if (!standardOut.flush()) {
        printError(QStringLiteral("%1: write failed")
                       .arg(outPath.isEmpty() ? QStringLiteral("standard output") : outPath));
        return kFileProblem;
    }
    return 0;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("veltrane-recording"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELTRANE_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Shows what a Veltrane Diagnostics recording (*.ban, *.san) holds.\n\n") +
        QString::fromLatin1(kCommandsText).trimmed());
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("info or csv"));
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("the recording"));
    parser.addPositionalArgument(QStringLiteral("out"),
                                 QStringLiteral("csv: the CSV file to write (default: standard "
                                                "output)"),
                                 QStringLiteral("[out]"));

    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(help))
        parser.showHelp(0);
    if (parser.isSet(version))
        parser.showVersion();

    const QStringList args = parser.positionalArguments();
    if (args.isEmpty())
        return usageError(QStringLiteral("no command given"));
    const QString command = args.first();
    if (command == QLatin1String("info")) {
        if (args.size() != 2)
            return usageError(QStringLiteral("info takes one FILE"));
        return runInfo(args.at(1));
    }
    if (command == QLatin1String("csv")) {
        if (args.size() < 2 || args.size() > 3)
            return usageError(QStringLiteral("csv takes FILE and an optional OUT"));
        return runCsv(args.at(1), args.size() == 3 ? args.at(2) : QString());
    }
    return usageError(QStringLiteral("unknown command \"%1\"").arg(command));
}
