// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

// Gives the window a turn: processes its pending events, then returns. Long
// commands call it at fixed points so the window repaints and takes input.
// Tests pass their own to count the turns or to act between two steps.
using YieldFunction = std::function<void()>;

namespace sourcelist {

// Shortest time between two turns that throttledYield gives the window.
inline constexpr int kTurnIntervalMs = 10;

// QCoreApplication::processEvents(), at every call. Without an application
// object it does nothing.
void processPendingEvents();

// The program's yield, one for each window: its first call processes pending
// events, and later calls do so only once kTurnIntervalMs have passed since
// the last time they did, returning at once otherwise. Processing events costs
// microseconds even when none are pending, and listing a large folder tree
// yields several times for every file; spaced like this, the turns cost next
// to nothing while the window still repaints and takes input many times a
// second. Without an application object it does nothing.
[[nodiscard]] YieldFunction throttledYield();

} // namespace sourcelist
