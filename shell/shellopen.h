// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <QString>
#include <QUrl>

class QObject;
class QProcess;

// The registry namespace's "open" action. It needs a desktop, so it lives here;
// the path helpers of the same namespace, which every layer uses, are in
// engine/registry.h.
namespace registry {

// Hands target, a local path or a web address, to the desktop's "open" action
// (the user's default browser or viewer) by starting xdg-open, found on PATH,
// and returns at once, without waiting for it. xdg-open's own end is watched
// from the event loop: when it cannot be started, crashes or ends with a
// status other than 0 (it says "no method available" when the desktop has no
// opener), whenNotOpened runs (if set); when it ends with 0, nothing more
// happens. Its output goes nowhere, so a browser it leaves running never
// writes into a pipe that has closed.
//
// Returns the process that watches xdg-open, a child of context (may be null),
// deleted once xdg-open has ended or failed to start; null for "", where
// nothing is started and whenNotOpened does not run.
QProcess *ShellOpen(const QString &target, QObject *context = nullptr,
                    std::function<void()> whenNotOpened = {});

// The address ShellOpen opens: a path becomes a file URL (a relative one is
// taken from the working folder), an address with a scheme stays as it is.
[[nodiscard]] QUrl shellOpenUrl(const QString &target);

} // namespace registry
