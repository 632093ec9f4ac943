// SPDX-License-Identifier: MIT
#pragma once

#include "testsupport.h"

#include <ostream>
#include <QString>
#include <QStringList>

// A shared log of what fakes were asked, in order, so that a test can check the
// order of steps across several controls ("Rows=2", "yield", "Text=/a.eml", ...).
class CallTrace
{
public:
    void add(const QString &entry) { m_entries.append(entry); }
    void clear() { m_entries.clear(); }
    [[nodiscard]] const QStringList &entries() const { return m_entries; }
    [[nodiscard]] qsizetype count(const QString &entry) const { return m_entries.count(entry); }

private:
    QStringList m_entries;
};

// Records e into the trace when there is one.
inline void traceCall(CallTrace *trace, const QString &entry)
{
    if (trace)
        trace->add(entry);
}
