// SPDX-License-Identifier: MIT
#pragma once

#include "letterfold_version.h"

#include <QString>

namespace sourcelist {

// The caption of the window and of its message boxes: the maker's name before
// the program's, "Brantwell Letterfold".
[[nodiscard]] inline QString applicationTitle()
{
    return QStringLiteral("Brantwell ") + QString::fromLatin1(letterfold::kName);
}

} // namespace sourcelist
