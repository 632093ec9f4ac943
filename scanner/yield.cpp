// SPDX-License-Identifier: MIT
#include "yield.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <utility>

namespace yielding {

YieldFunction throttledYield(YieldFunction beforeTurn)
{
    return [beforeTurn = std::move(beforeTurn), sinceLastTurn = QElapsedTimer()]() mutable {
        if (sinceLastTurn.isValid() && !sinceLastTurn.hasExpired(kTurnIntervalMs))
            return;
        if (beforeTurn)
            beforeTurn();
        if (QCoreApplication::instance())
            QCoreApplication::processEvents();
        // Counted from the end of the turn, so a slow turn does not make the
        // next one due at once.
        sinceLastTurn.start();
    };
}

} // namespace yielding
