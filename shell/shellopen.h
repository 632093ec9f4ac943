// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QUrl>

namespace registry {

// Hands target, a local path or a web address, to the desktop's "open" action
// (the user's default browser or viewer) and returns at once, without waiting
// for the program that opens it. Does nothing for "". Whether the desktop could
// open it is not reported.
void ShellOpen(const QString &target);

// The address ShellOpen opens: a path becomes a file URL (a relative one is
// taken from the working folder), an address with a scheme stays as it is.
[[nodiscard]] QUrl shellOpenUrl(const QString &target);

} // namespace registry
