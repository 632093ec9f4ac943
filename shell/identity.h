// SPDX-License-Identifier: MIT
#pragma once

namespace shell {

// Names the running application: name "Letterfold", organisation "Brantwell
// Inc.", the project's version, and the desktop entry "letterfold". It sets no
// display name on purpose: Qt appends a display name to every window title that
// does not already end with it, which would turn the caption "Letterfold" of the
// run's closing box into something else. Call after the QApplication exists.
void setApplicationIdentity();

} // namespace shell
