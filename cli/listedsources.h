// SPDX-License-Identifier: MIT
#pragma once

#include "messagereport.h"
#include "outcome.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

// The entries of --files-from lists, ready to join the SOURCE arguments.
struct ListedSources
{
    QStringList sources;           // absolute paths, in list order; each is taken as a SOURCE is
    QList<MessageReport> problems; // entries that name no file safely, as failed reports
};

namespace cli {

// Splits the bytes of one list into entries: the bytes between separators,
// NUL bytes when nullSeparated, else line ends. An entry is taken exactly,
// spaces and all, with one exception: in a list of lines, a carriage return
// right before the line end belongs to the line end, so that a list written
// with CRLF names the same files as one written with LF (a name that ends in a
// carriage return is listed with --null). Empty entries are ignored. A
// relative entry is joined below workingDirectory, as a relative SOURCE is.
// Entries that cannot name a file are problems, and count as messages not
// converted: one that is not valid UTF-8 (reported as a folder scan reports
// such a name, its bytes escaped), one that holds a NUL byte (a list from
// find -print0 read without --null), and a relative one when workingDirectory
// is "". Never fails.
[[nodiscard]] ListedSources splitList(const QByteArray &bytes, bool nullSeparated,
                                      const QString &workingDirectory);

// Reads each list (an absolute path, or "-" for standard input) to its end,
// in order, and splits it with splitList(); the sources and problems of all
// lists follow each other in that order. Fails, naming the list, when one
// cannot be read ("cannot read the list /l: No such file or directory");
// nothing is returned then.
[[nodiscard]] Outcome<ListedSources> readLists(const QStringList &lists, bool nullSeparated,
                                               const QString &workingDirectory);

} // namespace cli
