// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

// Gives the window a turn: processes its pending events, then returns. Long
// commands call it at fixed points so the window repaints and takes input.
// Tests pass their own to count the turns or to act between two steps.
using YieldFunction = std::function<void()>;

namespace sourcelist {

// The program's yield: QCoreApplication::processEvents(). Without an
// application object it does nothing.
void processPendingEvents();

} // namespace sourcelist
