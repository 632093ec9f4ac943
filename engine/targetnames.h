// SPDX-License-Identifier: MIT
#pragma once

#include <QHash>
#include <QString>

// The target paths handed out during one run, so that two different source files
// never get the same one. The first source to ask for a path gets it as it is;
// another source asking for the same path gets " (2)", " (3)", ... before ".eml",
// the first number not yet handed out. A source asking again for a path it was
// given (the same file listed twice) gets the same answer, without a suffix.
//
// Only this run's own paths count: a file that was in the folder before the run
// does not make a name taken, so the same list run twice gives the same names.
// Every call takes constant time on average, however many sources share a name.
class TargetNames
{
public:
    // The target path for a source: folder (ending in "/") followed by the file
    // name that naming::FitFileName makes of baseName, with a suffix when another
    // source has that path already. sourceKey identifies the source file (equal keys
    // for the same file, different keys for different files).
    [[nodiscard]] QString assign(const QString &folder, const QString &baseName,
                                 const QString &sourceKey);

    // How many paths have been handed out.
    [[nodiscard]] qsizetype size() const { return m_owner.size(); }

private:
    QHash<QString, QString> m_owner;  // target path -> source key
    QHash<QString, int> m_nextNumber; // unsuffixed path -> first number worth trying
    QHash<QString, QString> m_given;  // unsuffixed path + '\0' + source key -> target path
};
