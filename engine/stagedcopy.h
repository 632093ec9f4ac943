// SPDX-License-Identifier: MIT
#pragma once

#include "filedescriptor.h"
#include "filesystemcalls.h"
#include "messagebytes.h"
#include "outcome.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <sys/stat.h>

// The bytes of one copy, written into the target's folder under no name a
// reader could take for the copy, and then published under a name in one
// step. So a copy that fails, or a process that ends in the middle, never
// leaves a partial file under a copy's name. There is no fsync: the promise
// holds against a process that ends, not against a power cut, where the file
// system's own journalling decides what survives.
//
// Writing the bytes and choosing their name are separate steps: the same
// staged bytes can be offered to one name after another until one is free.
//
// How the bytes wait, in order of preference:
//  - an unnamed file (O_TMPFILE), linked in under a name only when complete,
//    so even a killed process leaves nothing behind;
//  - where the file system or the system offers no unnamed files, a hidden
//    file ".name.xxxxxxxxxxxx.letterfold-tmp" in the folder, locked (flock)
//    by its writer for its whole life and removed on every way out but a
//    kill. Before a writer first stages such a file in a folder, it removes
//    there the hidden files of this kind it can lock: their writer is gone.
//    A locked one is never removed, as another run may be writing it.
//
// The copy has the message's permission bits without set-user-ID,
// set-group-ID and sticky, less the creation mask (umask) the process
// started with, as a copy made without keeping modes has; and the message's
// modification time. Both are best effort: a file system such as FAT cannot
// hold every mode, and the content is what the copy is for.
class StagedCopy
{
public:
    // How the bytes may wait; Unnamed falls back to Hidden where it must,
    // UnnamedOnly does not (nothing is staged then).
    enum class Staging
    {
        Unnamed,
        Hidden,
        UnnamedOnly,
    };

    enum class Publication
    {
        Published, // the copy now has the name
        Exists,    // something has the name: nothing changed, the bytes stay staged
    };

    // Stages bytes in the folder of target (a path whose folder exists),
    // where target is the name the copy is meant to get first. sweptFolders,
    // when given, holds the folders already cleared of leftover hidden files,
    // so that a run clears each folder once; without it the folder is cleared
    // whenever a hidden file is staged there. Never fails as such: a failure
    // to stage is what publish() or replace() then answers.
    StagedCopy(FileSystemCalls &calls, const QByteArray &target, const MessageBytes &bytes,
               Staging staging = Staging::Unnamed, QSet<QByteArray> *sweptFolders = nullptr);
    // Removes the hidden file, if any is left.
    ~StagedCopy();

    // True when the bytes wait complete in an unnamed file on the file system
    // of device: publish() can give them a name in any folder there, not only
    // in the folder of the target they were staged for.
    [[nodiscard]] bool isUnnamedOn(dev_t device) const;
    StagedCopy(const StagedCopy &) = delete;
    StagedCopy &operator=(const StagedCopy &) = delete;

    // Gives the staged bytes the name target (in the same folder) unless
    // something, even a dangling link, has that name: the file system decides
    // (an exclusive link or rename fails with EEXIST), so a name that differs
    // only by case counts as taken where the file system folds case. Where the
    // file system can do neither exclusively, target is created exclusively
    // and the bytes written into it, and it is removed again if that fails.
    // Answers Published, or Exists (nothing changed: another name may be
    // tried). Fails, with nothing created, when the bytes could not be staged
    // or named; then and ever after, with a reason naming target: "cannot copy
    // to <target>: <system text>" when copying the bytes failed, else "cannot
    // write <target>: <system text>".
    [[nodiscard]] Outcome<Publication> publish(const QByteArray &target);

    // Gives the staged bytes the name target, replacing whatever file has it
    // (a link there is replaced, not followed). Fails, with a reason as
    // publish() gives it, when that cannot be done; what had the name is then
    // as it was.
    [[nodiscard]] Outcome<void> replace(const QByteArray &target);

    // Removes, in folder, the hidden staging files whose writer is gone (the
    // ones that can be locked). Errors are ignored: what cannot be removed stays.
    static void removeLeftovers(FileSystemCalls &calls, const QByteArray &folder);

    // The creation mask the process started with.
    [[nodiscard]] static mode_t creationMask();

private:
    // What a step of publishing came to; Failed leaves m_error set.
    enum class Step
    {
        Published,
        Exists,
        Failed,
    };

    Step publishStep(const QByteArray &target);
    bool rename(const QByteArray &target);
    [[nodiscard]] QString reasonFor(const QByteArray &target) const;
    bool stageUnnamed(const QByteArray &folder);
    bool stageHidden(const QByteArray &target);
    bool giveHiddenName(const QByteArray &target);
    Step publishHidden(const QByteArray &target);
    Step writeInPlace(const QByteArray &target);
    void removeHidden();
    bool fail(int error);

    FileSystemCalls &m_calls;
    MessageBytes m_bytes;
    FileDescriptor m_fd;
    bool m_unnamed = false;
    QByteArray m_hiddenPath;
    int m_error = 0; // the errno of the step that failed, 0 while none has
    // Whether it failed while the bytes were copied (reading the message or
    // writing them), rather than while the file was made or named.
    bool m_failedCopying = false;
};
