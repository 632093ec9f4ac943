// SPDX-License-Identifier: MIT
#pragma once

#include "outcome.h"

#include <QString>
#include <QStringList>

namespace cli {

// Makes sure the absolute path folder can take the copies. The path is used as
// given: its links and "." and ".." steps are resolved by the kernel, as
// mkdir -p resolves them. An existing folder is fine; a missing one is made
// (with every missing parent, modMain::EnsureFolderExists) when create is set,
// or, for a dry run, only checked to be makeable (its nearest existing parent is
// a folder). Succeeds when the folder can be used; else fails with a reason
// naming the folder once ("the destination /o is not a folder", "cannot create
// the folder /o/x: Permission denied"). Nothing is written when create is false.
// The value is the folders made (modMain::MakeFolders), outermost first.
[[nodiscard]] Outcome<QStringList> prepareDestination(const QString &folder, bool create);

} // namespace cli
