// SPDX-License-Identifier: MIT
#pragma once

#include <ctime>
#include <QByteArray>
#include <QtGlobal>

// Sets the process's time zone (TZ) for as long as it lives, then puts back
// what was there, unset included. A POSIX zone string ("HST10", "JST-9")
// needs no zone database on the machine.
class ScopedTimeZone
{
public:
    explicit ScopedTimeZone(const char *zone)
        : m_saved(qgetenv("TZ")), m_wasSet(qEnvironmentVariableIsSet("TZ"))
    {
        qputenv("TZ", zone);
        tzset();
    }
    ~ScopedTimeZone()
    {
        if (m_wasSet)
            qputenv("TZ", m_saved);
        else
            qunsetenv("TZ");
        tzset();
    }
    ScopedTimeZone(const ScopedTimeZone &) = delete;
    ScopedTimeZone &operator=(const ScopedTimeZone &) = delete;

private:
    QByteArray m_saved;
    bool m_wasSet;
};
