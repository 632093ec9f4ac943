// SPDX-License-Identifier: MIT
#pragma once

#include "messagereport.h"

#include <QList>
#include <QStringList>

// The SOURCE arguments turned into the rows of a run.
struct SourceExpansion
{
    QStringList rows;              // message paths, in the order given
    QList<MessageReport> problems; // SOURCE arguments that gave no row, as failed reports
};

namespace cli {

// Turns absolute SOURCE paths into rows: a file (or a link to one) is one row, of
// any name, as given. A missing SOURCE, and for now a folder, gives no row but a
// failed report with the reason, so it counts as a message not converted while the
// other sources go on. A folder is the one kind of SOURCE that will expand to many
// rows once the folder scanner is wired in here.
[[nodiscard]] SourceExpansion expandSources(const QStringList &sources);

} // namespace cli
