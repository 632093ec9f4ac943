// SPDX-License-Identifier: MIT
// Times the message reader over a list of messages, the way a conversion run
// uses it, for comparison with bench/read-headers.py on the same list.
//
//   headerbench LISTFILE [RUNS]
//       LISTFILE holds one message path a line, in UTF-8. Each run gives every
//       path a fresh MailMessage, loads it and reads Subject(), Sender() and
//       Date(). Prints the elapsed milliseconds on standard output, the median
//       of RUNS runs (default 1); messages that fail to load or to answer are
//       counted and reported on standard error. Reading LISTFILE is not timed.
#include "benchlist.h"
#include "benchtiming.h"
#include "mailmessage.h"

#include <cstdio>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <vector>

namespace {

struct Pass
{
    double elapsedMs = 0;
    int failures = 0;
    QString firstFailure;
};

Pass readAll(const QStringList &paths)
{
    Pass pass;
    QElapsedTimer timer;
    timer.start();
    for (const QString &path : paths) {
        MailMessage message;
        if (const Outcome<void> loaded = message.Load(path); !loaded) {
            if (pass.failures++ == 0)
                pass.firstFailure = path + QStringLiteral(": ") + loaded.reason();
            continue;
        }
        const Outcome<QString> subject = message.Subject();
        const Outcome<QString> sender = message.Sender();
        const Outcome<MessageDate> date = message.Date();
        if (!subject || !sender || !date) {
            if (pass.failures++ == 0)
                pass.firstFailure = path + QStringLiteral(": a reader failed after a load");
        }
    }
    pass.elapsedMs = timer.nsecsElapsed() / 1e6;
    return pass;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const int runs = args.size() == 2 ? args[1].toInt() : 1;
    if (args.isEmpty() || args.size() > 2 || runs < 1) {
        std::fputs("usage: headerbench LISTFILE [RUNS]\n", stderr);
        return 2;
    }
    const QStringList paths = benchlist::readList(args[0]);

    std::vector<double> times;
    Pass pass;
    for (int run = 0; run < runs; ++run) {
        pass = readAll(paths);
        times.push_back(pass.elapsedMs);
    }
    if (pass.failures > 0)
        std::fprintf(stderr, "headerbench: %d of %lld messages failed, first %s\n", pass.failures,
                     static_cast<long long>(paths.size()), qPrintable(pass.firstFailure));
    QTextStream(stdout) << QString::number(benchtiming::median(times), 'f', 1) << Qt::endl;
    return 0;
}
