// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// While it lives, a process that runs as root works as the user nobody, so that
// file permissions bite and a folder without them really cannot be read; its
// end makes the process root again. Only the effective user and group change
// (the real and saved ones stay root, which is what allows the way back), so
// the switch needs no child process and gtest's checks work as usual. The
// supplementary groups stay root's, so what a test locks it locks for the
// group and others too (mode 000, as TempTree::lock does). Files
// the test reads as nobody must be reachable by others: a QTemporaryDir is
// made for its owner alone. A process that is not root is left as it is.
class AsNobody
{
public:
    // Switches only when switching is true, so a table can switch for some rows.
    explicit AsNobody(bool switching = true);
    ~AsNobody();
    AsNobody(const AsNobody &) = delete;
    AsNobody &operator=(const AsNobody &) = delete;

    // "" when permissions bite now; else why they do not (the test should skip).
    [[nodiscard]] const QString &failure() const { return m_failure; }

private:
    bool m_switched = false;
    QString m_failure;
};
