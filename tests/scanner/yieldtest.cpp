// SPDX-License-Identifier: MIT
#include "yield.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QObject>
#include <QThread>

namespace {

// Counts the turns a yield gives by keeping one posted call pending at all
// times: each turn runs it once, and it posts the next.
struct TurnCounter
{
    QObject context;
    int turns = 0;

    void post()
    {
        QMetaObject::invokeMethod(
            &context,
            [this] {
                ++turns;
                post();
            },
            Qt::QueuedConnection);
    }
};

} // namespace

TEST(ThrottledYield, GivesATurnAtItsFirstCallAndAgainOnceTheIntervalHasPassed)
{
    TurnCounter counter;
    counter.post();
    YieldFunction yield = yielding::throttledYield();

    yield();
    EXPECT_EQ(counter.turns, 1);

    QThread::msleep(yielding::kTurnIntervalMs + 5);
    yield();
    EXPECT_EQ(counter.turns, 2);
}

TEST(ThrottledYield, NeverGivesTwoTurnsWithinOneInterval)
{
    // However fast or slow the machine, turns are at least the interval apart,
    // so a burst of calls lasting t ms gives at most t / interval + 1 turns.
    TurnCounter counter;
    counter.post();
    YieldFunction yield = yielding::throttledYield();
    QElapsedTimer burst;
    burst.start();
    for (int call = 0; call < 200000; ++call)
        yield();
    const qint64 elapsed = burst.elapsed();
    EXPECT_GE(counter.turns, 1);
    EXPECT_LE(counter.turns, elapsed / yielding::kTurnIntervalMs + 1);
}

TEST(ThrottledYield, EachYieldKeepsItsOwnInterval)
{
    // A window's list and a second one made later each give their first turn.
    TurnCounter counter;
    counter.post();
    YieldFunction first = yielding::throttledYield();
    YieldFunction second = yielding::throttledYield();
    first();
    second();
    EXPECT_EQ(counter.turns, 2);
}
