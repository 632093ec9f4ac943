// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <QtGlobal>

// Gives the window a turn: processes its pending events, then returns. Long
// commands and the folder scanner call it at fixed points so the window
// repaints and takes input. Tests pass their own to count the turns or to act
// between two steps.
using YieldFunction = std::function<void()>;

namespace yielding {

// Shortest time between two turns that throttledYield gives the window.
inline constexpr int kTurnIntervalMs = 10;

// Milliseconds on a clock that never goes back; only differences count.
using Clock = std::function<qint64()>;

// The monotonic clock throttledYield spaces its turns by unless told otherwise.
[[nodiscard]] qint64 monotonicMs();

// The program's yield, one for each window or run: its first call gives a
// turn, and later calls do so only once kTurnIntervalMs have passed since the
// last turn ended, returning at once otherwise. A turn runs beforeTurn (when
// given; the window puts the latest progress on its controls there), then
// processes pending events when a QCoreApplication exists. Processing events
// costs microseconds even when none are pending, and listing a large folder
// tree or running over many rows yields several times for every file; spaced
// like this, the turns cost next to nothing while the window still repaints
// and takes input many times a second. clock is read for the spacing; tests
// pass one they move by hand.
[[nodiscard]] YieldFunction throttledYield(YieldFunction beforeTurn = {},
                                           Clock clock = monotonicMs);

} // namespace yielding
