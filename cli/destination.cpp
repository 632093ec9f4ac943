// SPDX-License-Identifier: MIT
#include "destination.h"

#include "modmain.h"
#include "pathstatus.h"

#include <sys/stat.h>

namespace cli {

namespace {

// The path without its last step, as text ("/a/lnk/../b/" gives "/a/lnk/..").
QString parentOf(const QString &path)
{
    qsizetype end = path.size();
    while (end > 1 && path.at(end - 1) == QLatin1Char('/'))
        --end;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'), end - 1);
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

} // namespace

Outcome<QStringList> prepareDestination(const QString &folder, bool create)
{
    if (const Outcome<struct stat> status = pathstatus::of(folder)) {
        if (S_ISDIR(status.value().st_mode))
            return Outcome<QStringList>::success({});
        return Outcome<QStringList>::failure(
            QStringLiteral("the destination %1 is not a folder").arg(folder));
    }
    if (create)
        return modMain::MakeFolders(folder);

    // The nearest part of the path that exists must be a folder for the rest to
    // be made. Each step is dropped as text and the rest asked of the kernel,
    // as mkdir -p finds the place to start.
    QString parent = parentOf(folder);
    Outcome<struct stat> status = pathstatus::of(parent);
    while (!status && parent != QLatin1String("/")) {
        parent = parentOf(parent);
        status = pathstatus::of(parent);
    }
    if (!status || !S_ISDIR(status.value().st_mode))
        return Outcome<QStringList>::failure(
            QStringLiteral("cannot create the folder %1: %2 is not a folder").arg(folder, parent));
    return Outcome<QStringList>::success({});
}

} // namespace cli
