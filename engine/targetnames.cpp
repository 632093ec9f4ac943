// SPDX-License-Identifier: MIT
#include "targetnames.h"

#include "bytecomparison.h"
#include "filedescriptor.h"
#include "naming.h"
#include "outcome.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <QFile>
#include <sys/stat.h>
#include <unistd.h>

TargetNames::TargetNames(FileSystemCalls &calls) : m_calls(calls) {}

QString TargetNames::candidate(const QString &folder, const QString &baseName, int number)
{
    return folder + naming::FitFileName(
                        baseName, number == 1 ? QString() : QStringLiteral(" (%1)").arg(number));
}

TargetNames::Comparison TargetNames::compareWith(const QString &path, const MessageBytes &bytes,
                                                 FileSystemCalls &calls)
{
    Comparison comparison;
    comparison.path = path;
    const QByteArray encoded = QFile::encodeName(path);
    if (calls.lookAt(encoded.constData(), &comparison.status) != 0) {
        comparison.error = errno;
        return comparison;
    }
    if (!S_ISREG(comparison.status.st_mode) || bytes.isWholeFile(comparison.status) ||
        comparison.status.st_size != bytes.length)
        return comparison;
    // Whatever cannot be read and compared to the end holds other bytes as far
    // as a copy is concerned: it is passed over, never replaced.
    const FileDescriptor fd(
        calls.open(encoded.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat opened = {};
    if (!fd.isOpen() || ::fstat(fd.get(), &opened) != 0 ||
        !FileIdentity::unchanged(opened, comparison.status))
        return comparison;
    const bytecomparison::Finding finding =
        bytecomparison::compare(fd.get(), opened.st_size, bytes);
    comparison.compared = true;
    comparison.same = finding.same;
    comparison.fingerprint = finding.fingerprint;
    return comparison;
}

void TargetNames::know(const QList<Comparison> &comparisons)
{
    m_known = comparisons;
}

TargetNames::Look TargetNames::lookAt(const QString &path, const MessageBytes &bytes)
{
    Look look;
    std::optional<Comparison> comparison;
    for (const Comparison &known : std::as_const(m_known)) {
        if (known.path != path || !known.compared)
            continue;
        // What was compared before counts only while the name still shows
        // that very file, unchanged.
        struct stat status = {};
        if (m_calls.lookAt(QFile::encodeName(path).constData(), &status) == 0 &&
            FileIdentity::unchanged(status, known.status))
            comparison = known;
        break;
    }
    if (!comparison)
        comparison = compareWith(path, bytes, m_calls);
    if (comparison->error != 0) {
        look.error = comparison->error;
        look.seen = look.error == ENOENT ? Look::Seen::Free : Look::Seen::Failed;
        return look;
    }
    const struct stat &status = comparison->status;
    if (!S_ISREG(status.st_mode))
        return look;
    look.size = status.st_size;
    // The destination "/" puts a copy's name on its own source, and a second
    // hard link to it holds its bytes as well.
    if (bytes.isWholeFile(status) || comparison->same)
        look.seen = Look::Seen::Same;
    look.fingerprint = comparison->fingerprint;
    return look;
}

void TargetNames::remember(Family &family, int number, const Look &look)
{
    if (look.seen != Look::Seen::Taken || look.size < 0)
        return;
    family.rememberedSizes.insert(look.size);
    if (look.fingerprint)
        family.hashed[{look.size, *look.fingerprint}].append(number);
    else
        family.unhashed[look.size].append(number);
}

std::optional<TargetNames::Choice> TargetNames::consider(Family &family, const QString &familyKey,
                                                         int number, const Source &source,
                                                         const MessageBytes &bytes)
{
    Choice choice;
    choice.path = candidate(family.folder, family.baseName, number);
    choice.family = familyKey;
    choice.number = number;
    choice.source = source;
    if (const auto owner = m_owner.constFind(choice.path); owner != m_owner.cend()) {
        // Given in this run: to another source it is passed over unseen; to
        // this one (under another base name) it is its own copy.
        if (*owner != source)
            return std::nullopt;
        choice.verdict = Verdict::Same;
        return choice;
    }
    const Look look = lookAt(choice.path, bytes);
    switch (look.seen) {
    case Look::Seen::Free:
        choice.verdict = Verdict::Free;
        return choice;
    case Look::Seen::Same:
        choice.verdict = Verdict::Same;
        return choice;
    case Look::Seen::Failed:
        choice.verdict = Verdict::Failed;
        choice.reason =
            QStringLiteral("cannot write %1: %2").arg(choice.path, systemReason(look.error));
        return choice;
    case Look::Seen::Taken:
        break;
    }
    remember(family, number, look);
    return std::nullopt;
}

std::optional<TargetNames::Choice> TargetNames::reuseRemembered(Family &family,
                                                                const QString &familyKey,
                                                                const Source &source,
                                                                const MessageBytes &bytes)
{
    if (!family.rememberedSizes.contains(bytes.length))
        return std::nullopt;
    const std::optional<size_t> fingerprint = bytecomparison::fingerprintOf(bytes);
    // Names whose first bytes are not known yet are looked at once, and so
    // become known: each remembered name costs at most one look without a match.
    const QList<int> unhashed = family.unhashed.take(bytes.length);
    const QList<int> hashed =
        fingerprint ? family.hashed.take({bytes.length, *fingerprint}) : QList<int>();
    const QList<int> pending = unhashed + hashed;
    for (qsizetype i = 0; i < pending.size(); ++i) {
        std::optional<Choice> choice = consider(family, familyKey, pending[i], source, bytes);
        if (!choice)
            continue;
        // The names not looked at stay remembered as they were.
        for (qsizetype j = i + 1; j < pending.size(); ++j) {
            if (j < unhashed.size())
                family.unhashed[bytes.length].append(pending[j]);
            else
                family.hashed[{bytes.length, *fingerprint}].append(pending[j]);
        }
        return choice;
    }
    return std::nullopt;
}

TargetNames::Choice TargetNames::scan(Family &family, const QString &familyKey,
                                      const Source &source, const MessageBytes &bytes)
{
    // Every name before family.next was looked at by an earlier row, settled,
    // or remembered as holding other bytes.
    for (;; ++family.next) {
        if (std::optional<Choice> choice = consider(family, familyKey, family.next, source, bytes))
            return *choice;
    }
}

TargetNames::Choice TargetNames::choose(const QString &folder, const QString &baseName,
                                        const Source &source, const MessageBytes &bytes)
{
    const QString familyKey = folder + QChar(0) + baseName;
    if (const auto given = m_given.constFind({familyKey, source}); given != m_given.cend()) {
        Choice choice;
        choice.path = *given;
        choice.verdict = Verdict::Same;
        choice.family = familyKey;
        choice.source = source;
        return choice;
    }
    Family &family = m_families[familyKey];
    if (family.folder.isEmpty()) {
        family.folder = folder;
        family.baseName = baseName;
    }
    // The plain name may be this source's already, given under another base
    // name (the options changed while the run yielded).
    if (family.next > 1) {
        const QString plain = candidate(folder, baseName, 1);
        if (const auto owner = m_owner.constFind(plain);
            owner != m_owner.cend() && *owner == source)
            return {plain, Verdict::Same, {}, familyKey, 1, source};
    }
    if (std::optional<Choice> choice = reuseRemembered(family, familyKey, source, bytes))
        return *choice;
    return scan(family, familyKey, source, bytes);
}

TargetNames::Choice TargetNames::chooseAgain(const Choice &taken, const MessageBytes &bytes)
{
    Family &family = m_families[taken.family];
    const Look look = lookAt(taken.path, bytes);
    if (look.seen == Look::Seen::Same) {
        Choice same = taken;
        same.verdict = Verdict::Same;
        return same;
    }
    // Taken, whatever a look says: a file system that folds case may show the
    // name as free and still refuse it.
    remember(family, taken.number, look);
    if (taken.number == family.next)
        ++family.next;
    return scan(family, taken.family, taken.source, bytes);
}

void TargetNames::settle(const Choice &choice)
{
    m_owner.insert(choice.path, choice.source);
    m_given.insert({choice.family, choice.source}, choice.path);
    if (const auto family = m_families.find(choice.family);
        family != m_families.end() && choice.number == family->next)
        ++family->next;
}
