// SPDX-License-Identifier: MIT
// Times the whole Add folder command in the window against `find DIR -type f`
// on the same tree, and how long the window went without a turn meanwhile.
//
//   addfolderbench DIR [RUNS]
//       shows frmStep1 (offscreen unless QT_QPA_PLATFORM says otherwise), then
//       alternates RUNS clicks of CmdAddFolder on DIR, each on an emptied list
//       and timed from the click to the summary, with RUNS runs of find, and
//       prints each median and their ratio. A timer due every millisecond
//       measures the longest stretch in which the window processed no events.
#include "benchtiming.h"
#include "commandbutton.h"
#include "frmstep1.h"
#include "scripteddialogs.h"

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <QApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <QTimer>
#include <vector>

namespace {

struct Click
{
    double elapsedMs = 0;
    double longestWithoutTurnMs = 0;
    int turns = 0;
    QString summary;
};

Click clickAddFolder(frmStep1 &form, ScriptedDialogs &dialogs)
{
    form.fileList().ClearFileList();
    dialogs.forget();
    QApplication::processEvents();

    Click click;
    QElapsedTimer sinceTurn;
    QTimer turns;
    turns.setInterval(1);
    QObject::connect(&turns, &QTimer::timeout, [&] {
        click.longestWithoutTurnMs =
            std::max(click.longestWithoutTurnMs, sinceTurn.nsecsElapsed() / 1e6);
        sinceTurn.start();
        ++click.turns;
    });
    turns.start();

    QElapsedTimer timer;
    timer.start();
    sinceTurn.start();
    form.CmdAddFolder()->click();
    click.elapsedMs = timer.nsecsElapsed() / 1e6;
    turns.stop();
    click.summary = dialogs.texts().value(dialogs.texts().size() - 1);
    return click;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const int runs = args.size() >= 2 ? args[1].toInt() : 5;
    if (args.isEmpty() || args.size() > 2 || runs < 1) {
        std::fputs("usage: addfolderbench DIR [RUNS]\n", stderr);
        return 2;
    }
    const QString root = args[0];

    ScriptedDialogs dialogs(root);
    frmStep1 form(&dialogs);
    form.show();
    QApplication::processEvents();

    static_cast<void>(benchtiming::timeFind(root)); // warms the cache; its time is not wanted
    const Click warm = clickAddFolder(form, dialogs);

    std::vector<double> commands;
    std::vector<double> finds;
    double longestWithoutTurn = warm.longestWithoutTurnMs;
    int turns = 0;
    for (int run = 0; run < runs; ++run) {
        const Click click = clickAddFolder(form, dialogs);
        commands.push_back(click.elapsedMs);
        longestWithoutTurn = std::max(longestWithoutTurn, click.longestWithoutTurnMs);
        turns += click.turns;
        finds.push_back(benchtiming::timeFind(root));
    }
    const double command = benchtiming::median(commands);
    const double find = benchtiming::median(finds);
    QTextStream out(stdout);
    out << "summary:                " << warm.summary << '\n'
        << "rows listed:            " << form.fileList().grid().Rows() << '\n'
        << "runs:                   " << runs << '\n'
        << "Add folder median:      " << QString::number(command, 'f', 1) << " ms\n"
        << "find -type f median:    " << QString::number(find, 'f', 1) << " ms\n"
        << "ratio:                  " << QString::number(command / find, 'f', 2) << '\n'
        << "turns per second:       "
        << QString::number(turns / (std::accumulate(commands.begin(), commands.end(), 0.0) / 1e3),
                           'f', 0)
        << '\n'
        << "longest without a turn: " << QString::number(longestWithoutTurn, 'f', 1) << " ms"
        << Qt::endl;
    return warm.summary.endsWith(QLatin1String(" Files Added to List.")) ? 0 : 1;
}
