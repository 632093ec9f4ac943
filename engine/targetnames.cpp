// SPDX-License-Identifier: MIT
#include "targetnames.h"

#include "naming.h"

QString TargetNames::assign(const QString &folder, const QString &baseName,
                            const QString &sourceKey)
{
    const QString plain = folder + naming::FitFileName(baseName);
    const QString givenKey = plain + QChar(0) + sourceKey;
    if (const auto given = m_given.constFind(givenKey); given != m_given.cend())
        return *given;

    if (const auto owner = m_owner.constFind(plain);
        owner == m_owner.cend() || *owner == sourceKey) {
        m_owner.insert(plain, sourceKey);
        m_given.insert(givenKey, plain);
        return plain;
    }

    // Counting on from the last number handed out for this name keeps a folder of
    // thousands of messages with the same subject linear rather than quadratic.
    for (int number = m_nextNumber.value(plain, 2);; ++number) {
        const QString candidate =
            folder + naming::FitFileName(baseName, QStringLiteral(" (%1)").arg(number));
        const auto owner = m_owner.constFind(candidate);
        if (owner == m_owner.cend() || *owner == sourceKey) {
            // A path already given to this very source (under another name it had
            // earlier in the run) is its own: taking it again overwrites only itself.
            m_owner.insert(candidate, sourceKey);
            m_nextNumber.insert(plain, number + 1);
            m_given.insert(givenKey, candidate);
            return candidate;
        }
    }
}
