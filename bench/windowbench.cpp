// SPDX-License-Identifier: MIT
// The window's own cost on large lists, offscreen unless QT_QPA_PLATFORM says
// otherwise. Both modes print "name: value" lines for bench/run to read.
//
//   windowbench process LISTFILE DEST
//       lists every path of LISTFILE (one a line, UTF-8) in frmStep1 the way Add
//       files does, untimed, then times one click of CmdProcess, the folder
//       browser answering DEST, from the click until the run has shown its
//       summary. Prints rows, elapsed_ms and the summary's text; exits 1 when
//       not every listed message was converted.
//   windowbench memory DIR
//       clicks CmdAddFolder, the folder browser answering DIR, and prints the
//       rows listed and the process's peak resident memory (VmHWM) before the
//       click, with the window shown and its list empty, and after it, in MB.
//       Exits 1 when Add folder did not end in its summary.
#include "benchlist.h"
#include "commandbutton.h"
#include "conversionrun.h"
#include "frmstep1.h"
#include "scripteddialogs.h"

#include <cstdio>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>

namespace {

int usage()
{
    std::fputs("usage: windowbench process LISTFILE DEST\n"
               "       windowbench memory DIR\n",
               stderr);
    return 2;
}

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

// The peak resident set of this process so far, in MB; -1 when the system
// does not say.
double peakResidentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    // readAll(): a file of /proc has no size, so atEnd() holds before the first read.
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            const QByteArray kilobytes = line.mid(6).trimmed().split(' ').value(0);
            // The kernel's "kB" are KiB; the figure is in megabytes of 10^6 bytes.
            return kilobytes.toDouble() * 1024.0 / 1e6;
        }
    }
    return -1;
}

int process(const QString &listFile, const QString &destination)
{
    const QStringList paths = benchlist::readList(listFile);
    ScriptedDialogs dialogs(destination);
    frmStep1 form(&dialogs);
    form.show();
    QApplication::processEvents();

    for (const QString &path : paths)
        form.fileList().AddFileToList(path);
    // As Add files leaves it once something is listed.
    form.CmdProcess()->setEnabled(true);
    QApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    form.CmdProcess()->click();
    const double elapsed = timer.nsecsElapsed() / 1e6;

    const QString shown = dialogs.texts().value(dialogs.texts().size() - 1);
    out() << "rows: " << form.fileList().grid().Rows() << '\n'
          << "elapsed_ms: " << QString::number(elapsed, 'f', 1) << '\n'
          << "summary: " << QString(shown).replace(QLatin1Char('\n'), QLatin1String(" / "))
          << Qt::endl;
    // Every listed path is a message, so only this box says all of them were converted.
    return shown == QLatin1String("Converted Successfully !") ? 0 : 1;
}

int memory(const QString &root)
{
    ScriptedDialogs dialogs(root);
    frmStep1 form(&dialogs);
    form.show();
    QApplication::processEvents();
    const double before = peakResidentMb();

    form.CmdAddFolder()->click();
    // The grid lays out and paints its rows at the window's next turn.
    QApplication::processEvents();
    const double after = peakResidentMb();

    const QString shown = dialogs.texts().value(dialogs.texts().size() - 1);
    out() << "rows: " << form.fileList().grid().Rows() << '\n'
          << "summary: " << shown << '\n'
          << "vmhwm_before_mb: " << QString::number(before, 'f', 1) << '\n'
          << "vmhwm_after_mb: " << QString::number(after, 'f', 1) << Qt::endl;
    return shown.endsWith(QLatin1String(" Files Added to List.")) ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 3 && args[0] == QLatin1String("process"))
        return process(args[1], args[2]);
    if (args.size() == 2 && args[0] == QLatin1String("memory"))
        return memory(args[1]);
    return usage();
}
