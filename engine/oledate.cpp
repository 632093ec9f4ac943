// SPDX-License-Identifier: MIT
#include "oledate.h"

#include <cmath>

namespace oledate {

namespace {
constexpr double kSecondsPerDay = 86400.0;
// QDate holds far more than this, but a day count this large already lies
// beyond any calendar date a person would mean; treat it as nonsense.
constexpr double kMaxDays = 1.0e9;
} // namespace

QDate Epoch()
{
    return QDate(1899, 12, 30);
}

QDate ToDate(double oleDate)
{
    if (!std::isfinite(oleDate) || std::fabs(oleDate) > kMaxDays)
        return Epoch();
    // The integer part is the day on both sides of the epoch; the fraction is
    // always the time of that day, so truncate towards zero.
    const QDate day = Epoch().addDays(static_cast<qint64>(std::trunc(oleDate)));
    return day.isValid() ? day : Epoch();
}

double FromLocalDateTime(const QDateTime &moment)
{
    return moment.isValid() ? FromWallClock(moment.toLocalTime()) : 0.0;
}

double FromWallClock(const QDateTime &moment)
{
    if (!moment.isValid())
        return 0.0;
    const qint64 days = Epoch().daysTo(moment.date());
    const double fraction = moment.time().msecsSinceStartOfDay() / (kSecondsPerDay * 1000.0);
    return days < 0 ? static_cast<double>(days) - fraction : static_cast<double>(days) + fraction;
}

} // namespace oledate
