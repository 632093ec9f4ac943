// SPDX-License-Identifier: MIT
#include "preparedrow.h"

#include "fileidentity.h"
#include "filesystemcalls.h"
#include "headerblock.h"
#include "naming.h"
#include "pathstatus.h"

#include <QFile>

namespace {

// How many of a copy's names are looked at ahead: enough for the few messages
// of one subject in one folder that most archives have; the run itself goes
// on from there.
constexpr int kNamesLookedAhead = 4;

// A name in folder for staging: the bytes get no name there.
QByteArray stagingTarget(const QString &folder)
{
    return QFile::encodeName(folder) + "staged";
}

} // namespace

PreparedRow::PreparedRow(QString source) : m_source(std::move(source)) {}

const Outcome<struct stat> &PreparedRow::status()
{
    if (!m_status)
        m_status = pathstatus::of(m_source);
    return *m_status;
}

bool PreparedRow::stillHolds()
{
    if (!m_status || !*m_status)
        return false;
    const struct stat before = m_status->value();
    m_status = pathstatus::of(m_source);
    return *m_status && FileIdentity::unchanged(before, m_status->value());
}

const SourceFile &PreparedRow::file()
{
    if (!m_file)
        m_file.emplace(m_source);
    return *m_file;
}

const Outcome<void> &PreparedRow::loaded()
{
    if (!m_loaded) {
        m_message = std::make_unique<MailMessage>();
        m_loaded = m_message->Load(file());
    }
    return *m_loaded;
}

const MailMessage &PreparedRow::message()
{
    (void)loaded();
    return *m_message;
}

const Outcome<MessageContent> &PreparedRow::content()
{
    if (!m_content)
        m_content = messagecontent::of(file());
    return *m_content;
}

std::unique_ptr<StagedCopy> PreparedRow::takeStaged(dev_t device)
{
    std::unique_ptr<StagedCopy> staged = std::move(m_staged);
    if (staged && !staged->isUnnamedOn(device))
        staged.reset();
    return staged;
}

void PreparedRow::prepare(const Plan &plan)
{
    // The run's order: a step is taken only where the steps before it worked.
    if (!status() || !S_ISREG(status().value().st_mode))
        return;
    if (file().error() != 0 || !file().isRegular())
        return;
    if (!loaded())
        return;
    if (!message().HoldsHeaderFields() &&
        !headerblock::isEmlx(headerblock::Framing::ByName, file().path()))
        return;
    // A partial message is restored in memory, up to a gibibyte: one at a
    // time, on the run's thread, as before.
    if (messagecontent::isPartial(m_source))
        return;
    const Outcome<RawName> raw = naming::ComposeRawName(message(), plan.origin, plan.options);
    if (!raw || !content() || plan.targetFolder.isEmpty())
        return;
    const naming::CleanedName name =
        naming::CleanRawName(raw.value(), plan.options.removeReply, plan.options.removeForward);
    const QString folder = plan.targetFolder + name.folders;
    const MessageBytes &bytes = content().value().bytes();
    // A copy that is to get its message's date is staged by the run, which
    // sets that time as it writes.
    if (compareCandidates(folder, name.baseName, bytes) || !plan.copies ||
        plan.options.fileTime == FileTime::Message)
        return;
    stage(folder, plan.destination, bytes);
}

bool PreparedRow::compareCandidates(const QString &folder, const QString &baseName,
                                    const MessageBytes &bytes)
{
    for (int number = 1; number <= kNamesLookedAhead; ++number) {
        const TargetNames::Comparison comparison = TargetNames::compareWith(
            TargetNames::candidate(folder, baseName, number), bytes, FileSystemCalls::system());
        if (comparison.error != 0)
            return false; // free, or not to be looked at: the run decides
        m_comparisons.append(comparison);
        if (comparison.same || bytes.isWholeFile(comparison.status))
            return true;
    }
    return false;
}

void PreparedRow::stage(const QString &folder, const QString &destination,
                        const MessageBytes &bytes)
{
    // In the target folder where it exists, so the copy needs no other folder;
    // else in the destination, which is on the same file system but for a
    // mount below it (takeStaged() finds that out, and the run where a bind
    // mount of the same file system refuses the link). Folders are made by
    // the run only, in row order.
    FileSystemCalls &calls = FileSystemCalls::system();
    struct stat status = {};
    const bool folderExists = calls.followTo(QFile::encodeName(folder).constData(), &status) == 0 &&
                              S_ISDIR(status.st_mode);
    m_staged =
        std::make_unique<StagedCopy>(calls, stagingTarget(folderExists ? folder : destination),
                                     bytes, StagedCopy::Staging::UnnamedOnly);
}
