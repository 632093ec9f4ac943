// SPDX-License-Identifier: MIT
#include "oledate.h"

#include <gtest/gtest.h>
#include <limits>

TEST(OleDate, GivesTheCalendarDayOfAValue)
{
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr double inf = std::numeric_limits<double>::infinity();
    const struct
    {
        const char *what;
        double value;
        QDate day;
    } rows[] = {
        {"zero", 0.0, QDate(1899, 12, 30)},
        {"evening of the epoch", 0.99, QDate(1899, 12, 30)},
        {"one", 1.0, QDate(1899, 12, 31)},
        {"fraction runs forward before the epoch", -1.25, QDate(1899, 12, 29)},
        {"a modern day", 40244.5, QDate(2010, 3, 7)},
        {"NaN", nan, QDate(1899, 12, 30)},
        {"infinity", inf, QDate(1899, 12, 30)},
        {"minus infinity", -inf, QDate(1899, 12, 30)},
        {"beyond any calendar", 1e300, QDate(1899, 12, 30)},
        {"far before any calendar", -1e300, QDate(1899, 12, 30)},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(oledate::ToDate(row.value), row.day);
    }
}

TEST(OleDate, ConvertsAMomentToLocalWallClockTimeFirst)
{
    const QDateTime localNoon(QDate(2010, 3, 7), QTime(12, 0), Qt::LocalTime);
    EXPECT_DOUBLE_EQ(oledate::FromLocalDateTime(localNoon), 40244.5);
    // The same moment written in UTC converts to the same local value.
    EXPECT_DOUBLE_EQ(oledate::FromLocalDateTime(localNoon.toUTC()), 40244.5);
    EXPECT_EQ(oledate::ToDate(oledate::FromLocalDateTime(localNoon)), QDate(2010, 3, 7));
}

TEST(OleDate, GivesZeroForAnInvalidMoment)
{
    EXPECT_EQ(oledate::FromLocalDateTime(QDateTime()), 0.0);
}

TEST(OleDate, KeepsTheTimeOfDayRunningForwardBeforeTheEpoch)
{
    const QDateTime morning(QDate(1899, 12, 29), QTime(6, 0), Qt::LocalTime);
    EXPECT_DOUBLE_EQ(oledate::FromLocalDateTime(morning), -1.25);
    EXPECT_EQ(oledate::ToDate(-1.25), QDate(1899, 12, 29));
}
