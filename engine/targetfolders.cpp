// SPDX-License-Identifier: MIT
#include "targetfolders.h"

#include "conversionrun.h"
#include "mboxsplitter.h"
#include "messagefiles.h"
#include "modmain.h"
#include "pathstatus.h"
#include "registry.h"
#include "sourcefile.h"

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

namespace {

// The most " (n)" names tried for a mailbox's folder before giving up.
constexpr int kMaxMailboxFolderNumber = 100;

// A folder name as it may appear in the destination: without leading dots,
// so that it is not hidden.
QString visibleName(const QString &name)
{
    qsizetype dots = 0;
    while (dots < name.size() && name[dots] == QLatin1Char('.'))
        ++dots;
    return dots < name.size() ? name.mid(dots) : QLatin1Char('_') + name;
}

// Whether the file at path is a mailbox. Opened without blocking, and read
// only when it is a regular file.
bool isMailbox(const QString &path)
{
    const SourceFile file(path);
    if (!file.isRegular())
        return false;
    const Outcome<bool> mailbox = MboxSplitter::isMailbox(file);
    return mailbox && mailbox.value();
}

} // namespace

// The two layouts' folder functions live beside the folders they feed.
namespace conversion {

namespace {

// Whether a folder path holds a "." or ".." step. Only a step that starts with
// "." can be one, and most paths hold none.
bool holdsDotSteps(const QString &folder)
{
    if (!folder.startsWith(QLatin1Char('.')) && !folder.contains(QLatin1String("/.")))
        return false;
    for (const QStringView step : QStringView(folder).split(u'/')) {
        if (step == u"." || step == u"..")
            return true;
    }
    return false;
}

} // namespace

Outcome<QString> targetFolder(const QString &settledDestination, const QString &sourceFolder)
{
    QString folder = sourceFolder;
    if (holdsDotSteps(sourceFolder)) {
        // Joined as they are, ".." steps would climb out of the destination;
        // resolved as text, they would name another folder than the kernel
        // does where a step before them is a link. The real path has neither.
        const QByteArray encoded = QFile::encodeName(sourceFolder);
        const std::unique_ptr<char, decltype(&std::free)> real(
            ::realpath(encoded.constData(), nullptr), &std::free);
        if (!real)
            return Outcome<QString>::failure(QStringLiteral("cannot find the folder %1: %2")
                                                 .arg(sourceFolder, systemReason(errno)));
        folder = QFile::decodeName(real.get());
        if (QFile::encodeName(folder) != QByteArrayView(real.get()))
            return Outcome<QString>::failure(
                QStringLiteral("the real path of the folder %1 is not valid UTF-8")
                    .arg(sourceFolder));
        folder = registry::withTrailingSlash(folder);
    }
    // The root "/" plays the part of a drive prefix: drop it, keep the rest.
    return Outcome<QString>::success(
        settledDestination + (folder.startsWith(QLatin1Char('/')) ? folder.mid(1) : folder));
}

Outcome<QString> relativeFolder(const QString &settledDestination, const QString &sourceFolder,
                                const QString &root)
{
    if (root.isEmpty() || sourceFolder.size() <= root.size() || !sourceFolder.startsWith(root))
        return Outcome<QString>::success(settledDestination);
    const QString below = sourceFolder.mid(root.size());
    if (holdsDotSteps(below))
        return Outcome<QString>::failure(
            QStringLiteral("the folder %1 holds \".\" or \"..\" steps below its source folder")
                .arg(sourceFolder));
    return Outcome<QString>::success(settledDestination + below);
}

} // namespace conversion

TargetFolders::TargetFolders(const QString &settledDestination, Layout layout)
    : m_destination(settledDestination), m_layout(layout)
{}

QString TargetFolders::maildirOf(const QString &folder)
{
    auto known = m_maildirs.constFind(folder);
    if (known != m_maildirs.cend())
        return *known;
    QString maildir;
    const QString inner = folder.endsWith(QLatin1Char('/')) ? folder.chopped(1) : folder;
    const QString step = registry::FileNameOf(inner);
    if (step == QLatin1String("cur") || step == QLatin1String("new")) {
        QString candidate = registry::FolderOf(inner);
        const QString above = candidate.chopped(1);
        const QString name = registry::FileNameOf(above);
        // A Maildir reached through a "." or ".." step has a name only its real path gives.
        if (name == QLatin1String(".") || name == QLatin1String(".."))
            candidate = registry::withTrailingSlash(QFileInfo(above).canonicalFilePath());
        // The root as a Maildir would have no name to recreate; none is found there.
        if (candidate.size() > 1 && pathstatus::isFolder(candidate + QLatin1String("cur")) &&
            (pathstatus::isFolder(candidate + QLatin1String("new")) ||
             pathstatus::isFolder(candidate + QLatin1String("tmp"))))
            maildir = candidate.chopped(1);
    }
    m_maildirs.insert(folder, maildir);
    return maildir;
}

Outcome<QString> TargetFolders::forFolder(const QString &sourceFolder, const QString &root)
{
    if (m_layout == Layout::Flat)
        return Outcome<QString>::success(m_destination);
    if (m_layout == Layout::Relative)
        return conversion::relativeFolder(m_destination, sourceFolder, root);
    auto plan = m_plans.constFind(sourceFolder);
    if (plan == m_plans.cend())
        plan = m_plans.insert(sourceFolder, conversion::targetFolder(m_destination, sourceFolder));
    return *plan;
}

Outcome<QString> TargetFolders::forMaildir(const QString &maildir, const QString &root)
{
    const Outcome<QString> parent = forFolder(registry::FolderOf(maildir), root);
    if (!parent || m_layout == Layout::Flat)
        return parent;
    return Outcome<QString>::success(parent.value() + visibleName(registry::FileNameOf(maildir)) +
                                     QLatin1Char('/'));
}

Outcome<QString> TargetFolders::forMessageFile(const QString &sourceFolder, const QString &maildir,
                                               const QString &root)
{
    return maildir.isEmpty() ? forFolder(sourceFolder, root) : forMaildir(maildir, root);
}

Outcome<QString> TargetFolders::forMailbox(const QString &path, const QString &root)
{
    const QString key = path + QChar(0) + root;
    auto plan = m_mailboxes.constFind(key);
    if (plan == m_mailboxes.cend())
        plan = m_mailboxes.insert(key, mailboxFolder(path, root));
    return *plan;
}

Outcome<QString> TargetFolders::mailboxFolder(const QString &path, const QString &root)
{
    const Outcome<QString> parent = forFolder(registry::FolderOf(path), root);
    if (!parent || m_layout == Layout::Flat)
        return parent;
    const QString name = registry::FileNameOf(path);
    for (int number = 1; number <= kMaxMailboxFolderNumber; ++number) {
        const QString folder =
            parent.value() + name + (number > 1 ? QStringLiteral(" (%1)").arg(number) : QString());
        // A folder there is this mailbox's from an earlier run; anything else
        // (the mailbox itself, with the destination "/") is passed over.
        const Outcome<struct stat> status = pathstatus::of(folder);
        if (!status || S_ISDIR(status.value().st_mode))
            return Outcome<QString>::success(folder + QLatin1Char('/'));
    }
    return Outcome<QString>::failure(
        QStringLiteral("no free name for a folder of the mailbox's messages in %1")
            .arg(parent.value()));
}

std::optional<QString> TargetFolders::forListedRow(const QString &listed, const QString &root)
{
    if (!listed.startsWith(QLatin1Char('/')))
        return std::nullopt;
    const QString folder = registry::FolderOf(listed);
    const QString maildir = maildirOf(folder);
    Outcome<QString> target = forMessageFile(folder, maildir, root);
    if (maildir.isEmpty() && !messagefiles::isMessageFileName(listed)) {
        const Outcome<QString> mailbox = forMailbox(listed, root);
        // Only an existing folder can hold copies, and only then is the row
        // worth opening to see whether it is a mailbox.
        if (mailbox && identityOf(mailbox.value()) && isMailbox(listed))
            target = mailbox;
    }
    return target ? std::optional(target.value()) : std::nullopt;
}

std::optional<FileIdentity> TargetFolders::identityOf(const QString &folder)
{
    auto identity = m_identities.constFind(folder);
    if (identity == m_identities.cend()) {
        const Outcome<struct stat> status = pathstatus::of(folder);
        identity = m_identities.insert(folder, status && S_ISDIR(status.value().st_mode)
                                                   ? std::optional(FileIdentity::of(status.value()))
                                                   : std::nullopt);
    }
    return *identity;
}

Outcome<QStringList> TargetFolders::ensure(const QString &folder)
{
    if (const auto ensured = m_ensured.constFind(folder); ensured != m_ensured.cend())
        return *ensured ? Outcome<QStringList>::success({})
                        : Outcome<QStringList>::failure(ensured->reason());
    const Outcome<QStringList> made = modMain::MakeFolders(folder);
    m_ensured.insert(folder,
                     made ? Outcome<void>::success() : Outcome<void>::failure(made.reason()));
    return made;
}

void TargetFolders::noteTarget(const QString &rowFolder, const QString &target)
{
    const std::optional<FileIdentity> identity = identityOf(target);
    if (!identity || m_earlierCopyFolders.contains(*identity))
        return;
    // The destination "/" puts each copy beside its source: no row's own
    // folder makes another row's folder a folder of copies.
    if (identityOf(rowFolder) != identity)
        m_earlierCopyFolders.insert(*identity);
}

bool TargetFolders::holdsEarlierCopies(const QString &folder)
{
    if (m_earlierCopyFolders.isEmpty())
        return false;
    // Climbed with "..", as the kernel climbs: the copies were written into
    // the folders it resolves, whatever links the path went through.
    QString level = folder;
    for (int depth = 0; depth <= m_copyDepth; ++depth, level += QLatin1String("../")) {
        const std::optional<FileIdentity> identity = identityOf(level);
        if (!identity)
            return false;
        if (m_earlierCopyFolders.contains(*identity))
            return true;
    }
    return false;
}
