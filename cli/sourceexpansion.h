// SPDX-License-Identifier: MIT
#pragma once

#include "messagereport.h"

#include <QList>
#include <QStringList>

// The SOURCE arguments turned into the rows of a run.
struct SourceExpansion
{
    QStringList rows; // message and mailbox paths, in the order given
    // For each row, the SOURCE folder it was found in, ending in "/"; "" for a
    // file SOURCE (ConversionHost::rowRoot).
    QStringList roots;
    QList<MessageReport> problems; // what gave no row although it should have, as failed reports
};

namespace cli {

// Turns absolute SOURCE paths into rows, in the order given:
//  - A file (or a link to one) is one row, of any name, as given: a message,
//    or an mbox file that the run splits.
//  - A folder (or a link to one) gives a row for every source that
//    messagescan::scanFolder finds below it (.eml and .emlx files, the
//    messages of Maildirs, mbox files by name), in the folder scanner's order:
//    folders level by level, each folder's names in byte order. A Maildir gives
//    its messages and those of its Maildir++ folders. A folder of the
//    tree that cannot be opened or listed, the given folder included, is a
//    problem with the reason; it is skipped with everything below it and the
//    rest of the tree still gives rows. A message file or folder whose name is
//    not valid UTF-8 cannot be named safely: it is a problem too, shown with
//    its bytes escaped ("caf\xE9.eml").
//  - A missing SOURCE is a problem with the system's reason.
// Each problem counts as a message not converted while the other sources go on.
[[nodiscard]] SourceExpansion expandSources(const QStringList &sources);

// A source that gives no row, as the failed report of a message not converted.
[[nodiscard]] MessageReport problem(const QString &source, const QString &reason);

// A path left out because it is not valid UTF-8, as problem() reports it: its
// bytes escaped ("caf\xE9.eml"), as a folder's when raw ends in "/".
[[nodiscard]] MessageReport unreadableName(const QByteArray &raw);

} // namespace cli
