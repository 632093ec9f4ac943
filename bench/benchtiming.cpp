// SPDX-License-Identifier: MIT
#include "benchtiming.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <QElapsedTimer>
#include <QFile>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace benchtiming {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Spawned the light way: QProcess's own set-up would be charged to find.
double timeFind(const QString &root)
{
    const QByteArray path = QFile::encodeName(root);
    char findName[] = "find";
    char typeOption[] = "-type";
    char typeFile[] = "f";
    char *argv[] = {findName, const_cast<char *>(path.constData()), typeOption, typeFile, nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);

    QElapsedTimer timer;
    timer.start();
    pid_t child = 0;
    int status = 0;
    const bool ran = posix_spawnp(&child, "find", &actions, nullptr, argv, environ) == 0 &&
                     waitpid(child, &status, 0) == child && WIFEXITED(status) &&
                     WEXITSTATUS(status) == 0;
    const double elapsed = timer.nsecsElapsed() / 1e6;
    posix_spawn_file_actions_destroy(&actions);
    if (!ran) {
        std::fprintf(stderr, "bench: find failed\n");
        std::exit(1);
    }
    return elapsed;
}

} // namespace benchtiming
