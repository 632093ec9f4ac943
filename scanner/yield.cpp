// SPDX-License-Identifier: MIT
#include "yield.h"

#include <optional>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <utility>

namespace yielding {

qint64 monotonicMs()
{
    static const QElapsedTimer start = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return start.elapsed();
}

YieldFunction throttledYield(YieldFunction beforeTurn, Clock clock)
{
    return [beforeTurn = std::move(beforeTurn), clock = std::move(clock),
            lastTurnEnded = std::optional<qint64>()]() mutable {
        if (lastTurnEnded && clock() - *lastTurnEnded < kTurnIntervalMs)
            return;
        if (beforeTurn)
            beforeTurn();
        if (QCoreApplication::instance())
            QCoreApplication::processEvents();
        // Counted from the end of the turn, so a slow turn does not make the
        // next one due at once.
        lastTurnEnded = clock();
    };
}

} // namespace yielding
