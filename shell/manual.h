// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace shell {

// The bundled manual's index.html: the copy installed beside the program
// (share/letterfold/manual below its installation prefix), else the copy in the
// source tree the program was built from, else the copy at the configured
// installation prefix. "" when none exists.
[[nodiscard]] QString manualPath();

} // namespace shell
