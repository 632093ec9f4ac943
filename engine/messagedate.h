// SPDX-License-Identifier: MIT
#pragma once

#include <QDateTime>

// The clock a message's date is read on when it is written into a name.
enum class DateZone
{
    Local,  // the machine's time zone, as mail programs show dates (the default)
    Header, // the wall time written in the header, in the offset written there
    Utc,    // the moment converted to UTC
};

// A message's date as its header wrote it: the moment together with the offset
// it was written in ("23:30 -0800" stays 23:30 at -08:00), or no date at all.
// The zone a name shows it in is chosen when the name is made, not when the
// message is read.
class MessageDate
{
public:
    // No date: the message has none that can be read.
    MessageDate() = default;
    // The date moment was read as, in the offset (or zone) it carries; an
    // invalid moment is no date.
    explicit MessageDate(const QDateTime &moment);

    // Whether the message had a readable date.
    [[nodiscard]] bool isKnown() const { return m_moment.isValid(); }

    // The date and time (date() and time() of the result) the message shows
    // on zone's clock. No date shows 30 December 1899 00:00 on every clock,
    // the OLE date 0 that names have always shown for it. Never fails.
    [[nodiscard]] QDateTime on(DateZone zone) const;

    // on(zone) as an OLE Automation date (see oledate); no date gives 0.
    [[nodiscard]] double oleDate(DateZone zone = DateZone::Local) const;

private:
    QDateTime m_moment;
};
