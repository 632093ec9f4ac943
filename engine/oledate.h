// SPDX-License-Identifier: MIT
#pragma once

#include <QDate>
#include <QDateTime>

// OLE Automation dates: a double counting days since 30 December 1899 00:00,
// the fraction being the time of day. Negative values count back from that
// day, with the fraction still running forward (-1.25 is 29 December 1899, 06:00).
namespace oledate {

// 30 December 1899, the day of the value 0.
[[nodiscard]] QDate Epoch();

// The calendar day of an OLE date. NaN, infinities and values outside the
// range QDate can hold give the epoch day, so a date never fails to format.
[[nodiscard]] QDate ToDate(double oleDate);

// The OLE date of a moment as the machine's local wall-clock time shows it
// (a moment given in another zone or offset is converted first).
// An invalid QDateTime gives 0.
[[nodiscard]] double FromLocalDateTime(const QDateTime &moment);

// The OLE date of the date and time a QDateTime shows in its own zone or
// offset, converting nothing (12:00 at -08:00 gives noon of its day).
// An invalid QDateTime gives 0.
[[nodiscard]] double FromWallClock(const QDateTime &moment);

} // namespace oledate
