// SPDX-License-Identifier: MIT
#include "yield.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace sourcelist {

void processPendingEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

YieldFunction throttledYield()
{
    return [sinceLastTurn = QElapsedTimer()]() mutable {
        if (sinceLastTurn.isValid() && !sinceLastTurn.hasExpired(kTurnIntervalMs))
            return;
        if (!QCoreApplication::instance())
            return;
        QCoreApplication::processEvents();
        sinceLastTurn.start();
    };
}

} // namespace sourcelist
