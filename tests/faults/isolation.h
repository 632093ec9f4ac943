// SPDX-License-Identifier: MIT
#pragma once

#include "conversionrun.h"
#include "faulthost.h"
#include "messagereport.h"

#include <chrono>
#include <functional>
#include <QByteArray>
#include <QByteArrayList>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// Runs a piece of a test in a child process, so that the child can change what
// only a process can change for itself (a private mount namespace with a full or
// read-only disk, a file size limit, the user it runs as) and so that a hang or
// a crash fails the test instead of blocking or ending the whole test binary.
// The child reports back through a pipe; the parent only asserts.
namespace isolation {

// What a child found out. Filled in the child, read in the parent.
struct Result
{
    // Set by the parent: "" when the child finished, else what became of it
    // ("timed out after 120 s", "ended by signal 11").
    QString harnessFailure;
    // Set by the child when the condition could not be made here (no mount
    // rights, ...); the test then skips with it.
    QString skipReason;

    // The conversion run.
    bool runFinished = false;
    QList<MessageReport> reports;
    int messages = 0;
    int converted = 0;
    bool allConverted = false;
    QString summaryText;

    // A folder scan before the run.
    QStringList scanned;
    QByteArrayList unreadableNames;
    QStringList skippedFolders; // each as "path: reason"

    // Every entry below the destination after the run, as the child saw it
    // (a private mount is gone once the child ends): path -> description.
    QMap<QByteArray, QByteArray> destination;
};

// Runs work in a child process and returns what it filled in. The child is
// killed when it has not finished after timeout, and the result then says so.
Result run(const std::function<void(Result &)> &work,
           std::chrono::seconds timeout = std::chrono::seconds(120));

// Runs a conversion over rows into destination with a FaultHost and stores what
// it reported in result. hook, when given, is the host's yield hook; workers
// is ConversionRun::setWorkers's.
void convert(Result &result, const QStringList &rows, const QString &destination,
             ConversionRun::Mode mode = ConversionRun::Mode::Copy,
             const FaultHost::YieldHook &hook = {}, int workers = 0);

// Searches root for messages as Add folder does (messagescan::scanFolder), into
// result.scanned, result.unreadableNames and result.skippedFolders.
void scan(Result &result, const QString &root);

// In the child: makes this process's mounts private, so what it mounts is seen
// by no one else and goes when it ends. Returns "" on success, else why not.
[[nodiscard]] QString enterPrivateMounts();
// In the child, after enterPrivateMounts: mounts a tmpfs of sizeBytes over
// folder, read-only when asked. Returns "" on success, else why not.
[[nodiscard]] QString mountTmpfs(const QString &folder, qint64 sizeBytes, bool readOnly);
// In the child: no file this process writes may grow past bytes; writes past it
// fail with EFBIG (the signal that would end the process is ignored).
[[nodiscard]] QString limitFileSize(qint64 bytes);
// In the child: when running as root, becomes the user nobody, so that file
// permissions bite. Returns "" on success or when not root, else why not.
[[nodiscard]] QString dropRoot();

// The uid and gid dropRoot() becomes.
inline constexpr unsigned kNobody = 65534;

} // namespace isolation
