// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

// The message lists that bench/run hands to the benchmarks and to their
// baselines: one path a line, in UTF-8, so a path cannot hold a line break.
namespace benchlist {

// The paths listed in listFile, in order, empty lines left out. Ends the
// program with a message when the file cannot be read or lists no path.
[[nodiscard]] QStringList readList(const QString &listFile);

} // namespace benchlist
