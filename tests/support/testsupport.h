// SPDX-License-Identifier: MIT
#pragma once

#include <ostream>
#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Texts in failure messages: quoted, and cut after 1,000 characters, so that a
// test over megabytes of header does not flood its log. gtest finds it by
// argument-dependent lookup, so it lives beside QString in the global namespace.
void PrintTo(const QString &text, std::ostream *os);

namespace testsupport {

// Absolute path of a file or folder below tests/data.
QString dataPath(const QString &relative);

// Whole content of a file; an empty array when it cannot be read.
QByteArray readAll(const QString &path);

// The message a saved message file holds, as its copy holds it: for a file
// named *.emlx, the bytes counted by its first line (as many as there are),
// else the whole file. A partial message's attachments are not put back.
QByteArray messageIn(const QString &path);

// Writes bytes to path, creating missing folders; fails the current test when it cannot.
void writeFile(const QString &path, const QByteArray &bytes);

// True when this process ignores file permissions (root), so tests that need
// an unreadable or unwritable path must skip.
bool permissionsAreIgnored();

// Every file below root (hidden ones too, so a stray temporary file shows),
// by path relative to root, with its content.
QMap<QString, QByteArray> snapshot(const QString &root);

// What a finished program said and how it ended.
struct ProcessResult
{
    int exitCode = -1; // -1 when it crashed or did not finish within a minute
    QString out;
    QString err;
};

// Runs program with arguments in workingDirectory and waits for it, at most a
// minute; an empty environment means this process's own.
ProcessResult runProcess(const QString &program, const QStringList &arguments,
                         const QString &workingDirectory = {},
                         const QProcessEnvironment &environment = {});

// What tests/data/mailstores/oracle.py, the independent reader over Python's
// mailbox and email packages, says of paths with arguments (such as
// "--parts"): one object per message. Fails the current test when it cannot
// be run or prints anything that is not an object.
QList<QJsonObject> oracle(const QStringList &argumentsAndPaths);

} // namespace testsupport
