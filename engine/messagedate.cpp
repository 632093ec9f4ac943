// SPDX-License-Identifier: MIT
#include "messagedate.h"

#include "oledate.h"

MessageDate::MessageDate(const QDateTime &moment) : m_moment(moment) {}

QDateTime MessageDate::on(DateZone zone) const
{
    if (!isKnown())
        return QDateTime(oledate::Epoch(), QTime(0, 0), Qt::UTC);
    switch (zone) {
    case DateZone::Local:
        return m_moment.toLocalTime();
    case DateZone::Utc:
        return m_moment.toUTC();
    case DateZone::Header:
        break;
    }
    return m_moment;
}

double MessageDate::oleDate(DateZone zone) const
{
    return isKnown() ? oledate::FromWallClock(on(zone)) : 0.0;
}
