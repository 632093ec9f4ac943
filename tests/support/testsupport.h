// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

namespace testsupport {

// Absolute path of a file or folder below tests/data.
QString dataPath(const QString &relative);

// Whole content of a file; an empty array when it cannot be read.
QByteArray readAll(const QString &path);

// Writes bytes to path, creating missing folders; fails the current test when it cannot.
void writeFile(const QString &path, const QByteArray &bytes);

// True when this process ignores file permissions (root), so tests that need
// an unreadable or unwritable path must skip.
bool permissionsAreIgnored();

} // namespace testsupport
