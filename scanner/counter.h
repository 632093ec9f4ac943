// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QtGlobal>

// The scanner's counters (file number, folder cursor and total, list
// positions) are 32-bit signed numbers that must never wrap.
namespace counter {

// value + 1. Throws ScanError (Overflow) when value is already 2147483647; what
// names the counter in the message, path is the folder being worked on (may be
// empty).
[[nodiscard]] qint32 next(qint32 value, const QString &what, const QString &path = {});

} // namespace counter
