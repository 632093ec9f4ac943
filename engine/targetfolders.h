// SPDX-License-Identifier: MIT
#pragma once

#include "fileidentity.h"
#include "outcome.h"
#include "runoptions.h"

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
// That is Layout::Full. With Layout::Relative, a message file's folder is
// recreated only below the row's root (conversion::relativeFolder), and a
// Maildir's or mailbox's folder goes there; with Layout::Flat, every message,
// of a Maildir or mailbox too, goes into the destination itself.
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
    explicit TargetFolders(const QString &settledDestination, Layout layout = Layout::Full);

    // The Maildir whose cur/ or new/ is folder (a path ending in "/"), without
    // a trailing "/"; "" when folder is no Maildir's. Never fails.
    [[nodiscard]] QString maildirOf(const QString &folder);

    // The target folder (ending in "/") of a message file in sourceFolder,
    // of a row whose root is root (ConversionHost::rowRoot). Fails as
    // conversion::targetFolder or conversion::relativeFolder does.
    [[nodiscard]] Outcome<QString> forFolder(const QString &sourceFolder, const QString &root = {});
    // The target folder of the messages of the Maildir maildir (maildirOf).
    // Fails as forFolder does for the Maildir's parent folder.
    [[nodiscard]] Outcome<QString> forMaildir(const QString &maildir, const QString &root = {});
    // The target folder of a message file in sourceFolder whose Maildir is
    // maildir (maildirOf, "" when none): forMaildir or forFolder.
    [[nodiscard]] Outcome<QString> forMessageFile(const QString &sourceFolder,
                                                  const QString &maildir, const QString &root = {});
    // The target folder of the messages of the mailbox file at path. Fails as
    // forFolder does for its folder, or when a hundred names are all taken.
    [[nodiscard]] Outcome<QString> forMailbox(const QString &path, const QString &root = {});

    // The target folder a listed row's copies go to, judged without reading the
    // row except where it matters: a file whose name is no message file's and
    // whose mailbox folder exists is read to see whether it is a mailbox.
    // nullopt when there is none (a relative path, a folder that cannot be found).
    [[nodiscard]] std::optional<QString> forListedRow(const QString &listed,
                                                      const QString &root = {});

    // The identity of the folder at path; nullopt when there is no folder.
    [[nodiscard]] std::optional<FileIdentity> identityOf(const QString &folder);

    // Makes folder exist, once per run; the value lists the folders made for
    // it (modMain::MakeFolders), so only the first call for a folder can list
    // any. Fails, with a reason naming the folder, as modMain::MakeFolders
    // does, and so does every later call for that folder.
    [[nodiscard]] Outcome<QStringList> ensure(const QString &folder);

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
    Outcome<QString> mailboxFolder(const QString &path, const QString &root);

    QString m_destination;
    Layout m_layout;
    QHash<QString, Outcome<QString>> m_plans;     // source folder -> target folder
    QHash<QString, Outcome<QString>> m_mailboxes; // mailbox path, NUL, root -> target folder
    QHash<QString, QString> m_maildirs;           // row folder -> its Maildir, or ""
    QHash<QString, std::optional<FileIdentity>> m_identities;
    QHash<QString, Outcome<void>> m_ensured; // folder -> whether it exists, or why not
    QSet<FileIdentity> m_earlierCopyFolders;
    int m_copyDepth = 0;
};
