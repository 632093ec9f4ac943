// SPDX-License-Identifier: MIT
#pragma once

#include "fileidentity.h"
#include "outcome.h"

#include <optional>
#include <QHash>
#include <QSet>
#include <QString>

// Where the copies of one run go, below its destination, for each kind of
// source a row can be:
//  - a message file: its folder recreated below the destination
//    (conversion::targetFolder);
//  - a message of a Maildir (a file in the cur/ or new/ folder of a folder
//    that holds cur/ together with new/ or tmp/): the Maildir's folder
//    recreated, without the cur/ or new/ level, and with the Maildir's own
//    name stripped of its leading dots, so that a Maildir++ folder ".Sent"
//    gives "Sent/" and no copy lands in a hidden folder;
//  - a mailbox file (mbox): a folder named after the file, in its folder
//    recreated. Where that name is taken by anything but a folder (the
//    destination "/" puts it on the mailbox itself), the folder is the first
//    of "NAME (2)", "NAME (3)", ... that is a folder or free.
// Each answer is worked out once per run and kept, so every row of a folder
// costs its system calls once, and a dry run and a real run choose alike.
//
// It also keeps the existing target folders of the listed rows: where the
// destination lies inside the sources, a row in one of them is a copy from an
// earlier run (see ConversionRun).
class TargetFolders
{
public:
    // settledDestination ends in "/".
    explicit TargetFolders(const QString &settledDestination);

    // The Maildir whose cur/ or new/ is folder (a path ending in "/"), without
    // a trailing "/"; "" when folder is no Maildir's. Never fails.
    [[nodiscard]] QString maildirOf(const QString &folder);

    // The target folder (ending in "/") of a message file in sourceFolder.
    // Fails as conversion::targetFolder does.
    [[nodiscard]] Outcome<QString> forFolder(const QString &sourceFolder);
    // The target folder of the messages of the Maildir maildir (maildirOf).
    // Fails as forFolder does for the Maildir's parent folder.
    [[nodiscard]] Outcome<QString> forMaildir(const QString &maildir);
    // The target folder of the messages of the mailbox file at path. Fails as
    // forFolder does for its folder, or when a hundred names are all taken.
    [[nodiscard]] Outcome<QString> forMailbox(const QString &path);

    // The target folder a listed row's copies go to, judged without reading the
    // row except where it matters: a file whose name is no message file's and
    // whose mailbox folder exists is read to see whether it is a mailbox.
    // nullopt when there is none (a relative path, a folder that cannot be found).
    [[nodiscard]] std::optional<QString> forListedRow(const QString &listed);

    // The identity of the folder at path; nullopt when there is no folder.
    [[nodiscard]] std::optional<FileIdentity> identityOf(const QString &folder);

    // Makes folder exist, once per run; fails, with a reason naming the
    // folder, as modMain::EnsureFolderExists does.
    [[nodiscard]] Outcome<void> ensure(const QString &folder);

    // Marks the existing target folder of a row in rowFolder as holding copies
    // of an earlier run, unless it is rowFolder itself (the destination "/").
    void noteTarget(const QString &rowFolder, const QString &target);
    // How many folders a name template makes below a target folder (0 when
    // none); copies of an earlier run may lie that deep below one.
    void setCopyDepth(int depth) { m_copyDepth = depth; }
    // Whether folder is a target folder noted so, or lies at most the copy
    // depth below one.
    [[nodiscard]] bool holdsEarlierCopies(const QString &folder);

private:
    Outcome<QString> mailboxFolder(const QString &path);

    QString m_destination;
    QHash<QString, Outcome<QString>> m_plans;     // source folder -> target folder
    QHash<QString, Outcome<QString>> m_mailboxes; // mailbox path -> target folder
    QHash<QString, QString> m_maildirs;           // row folder -> its Maildir, or ""
    QHash<QString, std::optional<FileIdentity>> m_identities;
    QHash<QString, Outcome<void>> m_ensured; // folder -> whether it exists, or why not
    QSet<FileIdentity> m_earlierCopyFolders;
    int m_copyDepth = 0;
};
