// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace cli {

// Makes sure the absolute path folder can take the copies: an existing folder is
// fine; a missing one is made (with every missing parent) when create is set, or,
// for a dry run, only checked to be makeable (its nearest existing parent is a
// folder). Returns "" when the folder can be used, else a sentence saying why not
// (it names the folder). Nothing is written when create is false.
[[nodiscard]] QString prepareDestination(const QString &folder, bool create);

} // namespace cli
