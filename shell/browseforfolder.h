// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class QWidget;

// The registry namespace's folder browser. It needs widgets, so it lives here;
// the path helpers of the same namespace, which every layer uses, are in
// engine/registry.h.
namespace registry {

// Asks the user for a folder in a modal folder dialog owned by owner (may be
// null), titled with prompt, showing folders only and starting in the user's
// home folder on every call; nothing is remembered from an earlier call. Returns the chosen
// folder's absolute path without a trailing "/" ("/" for the root itself), or "" when the user
// cancels, the choice is not an existing folder, or anything fails.
[[nodiscard]] QString BrowseForFolder(QWidget *owner, const QString &prompt);

// The folder path BrowseForFolder answers for a path the dialog returned:
// trailing "/" removed, except for "/" itself. Nothing else is changed.
[[nodiscard]] QString withoutTrailingSlash(const QString &path);

} // namespace registry
