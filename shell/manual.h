// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QUrl>

namespace shell {

// The bundled manual's index.html: the copy installed beside the program
// (share/letterfold/manual below its installation prefix), else the copy in the
// source tree the program was built from, else the copy at the configured
// installation prefix. "" when none exists.
[[nodiscard]] QString manualPath();

// The manual for the program's own manual window: manualPath() as a file URL,
// else the copy built into the program (a qrc: URL), which is always there.
[[nodiscard]] QUrl manualPage();

} // namespace shell
