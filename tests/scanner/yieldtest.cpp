// SPDX-License-Identifier: MIT
#include "yield.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QObject>

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

TEST(ThrottledYield, GivesATurnOnlyOnceTheIntervalHasPassedSinceTheLastTurnEnded)
{
    // The clock is moved by hand: turn by turn, how long since the last one.
    TurnCounter counter;
    counter.post();
    qint64 now = 1000;
    YieldFunction yield = yielding::throttledYield({}, [&now] { return now; });
    const struct
    {
        qint64 advanceMs;
        int turnsAfter;
    } steps[] = {
        {0, 1}, // the first call always gives a turn
        {0, 1},
        {yielding::kTurnIntervalMs - 1, 1},
        {1, 2}, // a whole interval since the last turn ended
        {yielding::kTurnIntervalMs / 2, 2},
        {yielding::kTurnIntervalMs / 2, 3},
        {10 * yielding::kTurnIntervalMs, 4}, // a long pause gives one turn, not ten
        {0, 4},
    };
    for (const auto &step : steps) {
        now += step.advanceMs;
        yield();
        EXPECT_EQ(counter.turns, step.turnsAfter) << "after " << now << " ms";
    }
}

TEST(ThrottledYield, CountsTheIntervalFromTheEndOfASlowTurn)
{
    // A turn that takes longer than the interval must not make the next one due at once.
    qint64 now = 0;
    int turns = 0;
    YieldFunction yield = yielding::throttledYield(
        [&] {
            ++turns;
            now += 3 * yielding::kTurnIntervalMs; // the turn itself takes a while
        },
        [&now] { return now; });
    yield();
    yield();
    EXPECT_EQ(turns, 1);
    now += yielding::kTurnIntervalMs;
    yield();
    EXPECT_EQ(turns, 2);
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
