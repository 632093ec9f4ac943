// SPDX-License-Identifier: MIT
// Times pathLogger::LogPath against `find DIR -type f` on the same tree.
//
//   scanbench make-tree DIR FOLDERS FILES_PER_FOLDER
//       fills the empty folder DIR with FOLDERS folders (ten top-level folders
//       and the rest spread below them) holding FILES_PER_FOLDER small message
//       files each.
//   scanbench measure DIR [RUNS] [default|none|every]
//       warms the cache, then alternates RUNS scans with RUNS runs of find and
//       prints each median and their ratio. The last word picks the scanner's
//       yield: the program's own (default), none, or an event-loop turn at
//       every yield point (every).
#include "benchtiming.h"
#include "pathlogger.h"

#include <cstdio>
#include <cstdlib>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>
#include <vector>

namespace {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

int usage()
{
    std::fputs("usage: scanbench make-tree DIR FOLDERS FILES_PER_FOLDER\n"
               "       scanbench measure DIR [RUNS] [default|none|every]\n",
               stderr);
    return 2;
}

bool writeMessage(const QString &path, int number)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray text = "From: Ann Example <ann@example.org>\r\n"
                            "Subject: Message " +
                            QByteArray::number(number) +
                            "\r\n"
                            "Date: Mon, 2 Jan 2006 15:04:05 +0000\r\n"
                            "\r\n"
                            "Hello.\r\n";
    return file.write(text) == text.size();
}

int makeTree(const QString &root, int folders, int filesPerFolder)
{
    QDir rootDir(root);
    if (!rootDir.exists() || !rootDir.isEmpty()) {
        std::fprintf(stderr, "scanbench: %s must be an empty folder\n", qPrintable(root));
        return 1;
    }
    constexpr int topLevel = 10;
    int made = 0;
    for (int folder = 0; folder < folders; ++folder) {
        const QString top = QStringLiteral("box%1").arg(folder % topLevel, 2, 10, QLatin1Char('0'));
        const QString relative =
            folder < topLevel ? top
                              : top + QStringLiteral("/sub%1").arg(folder, 4, 10, QLatin1Char('0'));
        if (!rootDir.mkpath(relative)) {
            std::fprintf(stderr, "scanbench: cannot make %s\n", qPrintable(relative));
            return 1;
        }
        for (int file = 0; file < filesPerFolder; ++file) {
            const QString path =
                rootDir.filePath(relative + QStringLiteral("/msg%1.eml").arg(file));
            if (!writeMessage(path, ++made)) {
                std::fprintf(stderr, "scanbench: cannot write %s\n", qPrintable(path));
                return 1;
            }
        }
    }
    out() << made << " files in " << folders << " folders below " << root << Qt::endl;
    return 0;
}

double timeScan(const QString &root, const YieldFunction &yield, qint32 *files)
{
    QElapsedTimer timer;
    timer.start();
    pathLogger logger(yield);
    logger.PathLogInit();
    logger.setFullFileNamesOnly(true);
    logger.LogPath(root);
    const auto kept = logger.fullFileNames();
    logger.Terminate();
    const double elapsed = timer.nsecsElapsed() / 1e6;
    *files = kept->count();
    return elapsed;
}

int measure(const QString &root, int runs, const QString &yieldName)
{
    YieldFunction yield;
    if (yieldName == QLatin1String("none"))
        yield = [] {};
    else if (yieldName == QLatin1String("every"))
        yield = [] { QCoreApplication::processEvents(); };
    else if (yieldName == QLatin1String("default"))
        yield = yielding::throttledYield();
    else
        return usage();

    qint32 files = 0;
    static_cast<void>(benchtiming::timeFind(root)); // warms the cache; its time is not wanted
    timeScan(root, yield, &files);

    std::vector<double> scans;
    std::vector<double> finds;
    for (int run = 0; run < runs; ++run) {
        scans.push_back(timeScan(root, yield, &files));
        finds.push_back(benchtiming::timeFind(root));
    }
    const double scan = benchtiming::median(scans);
    const double find = benchtiming::median(finds);
    out() << "files listed:        " << files << '\n'
          << "yield:               " << yieldName << '\n'
          << "runs:                " << runs << '\n'
          << "LogPath median:      " << QString::number(scan, 'f', 1) << " ms\n"
          << "find -type f median: " << QString::number(find, 'f', 1) << " ms\n"
          << "ratio:               " << QString::number(scan / find, 'f', 2) << Qt::endl;
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    try {
        if (args.size() == 4 && args[0] == QLatin1String("make-tree"))
            return makeTree(args[1], args[2].toInt(), args[3].toInt());
        if (args.size() >= 2 && args.size() <= 4 && args[0] == QLatin1String("measure")) {
            const int runs = args.size() >= 3 ? args[2].toInt() : 5;
            if (runs < 1)
                return usage();
            return measure(args[1], runs, args.size() == 4 ? args[3] : QStringLiteral("default"));
        }
    } catch (const ScanError &error) {
        std::fprintf(stderr, "scanbench: %s\n", error.what());
        return 1;
    }
    return usage();
}
