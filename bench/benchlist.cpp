// SPDX-License-Identifier: MIT
#include "benchlist.h"

#include <cstdio>
#include <cstdlib>
#include <QFile>

namespace benchlist {

QStringList readList(const QString &listFile)
{
    QFile file(listFile);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "bench: cannot read %s: %s\n", qPrintable(listFile),
                     qPrintable(file.errorString()));
        std::exit(1);
    }
    QStringList paths;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (!line.isEmpty())
            paths.append(QString::fromUtf8(line));
    }
    if (paths.isEmpty()) {
        std::fprintf(stderr, "bench: %s lists no path\n", qPrintable(listFile));
        std::exit(1);
    }
    return paths;
}

} // namespace benchlist
