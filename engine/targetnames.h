// SPDX-License-Identifier: MIT
#pragma once

#include "fileidentity.h"
#include "filesystemcalls.h"
#include "messagebytes.h"

#include <optional>
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QSet>
#include <QString>
#include <sys/stat.h>

// The names the copies of one run get. A copy never replaces a file:
//
// The candidates for a message are folder + naming::FitFileName(baseName),
// then the same with " (2)", " (3)", ... before ".eml", each within 255 bytes.
// A candidate already given to another source in this run is passed over
// without asking the file system, so two listed files with the same bytes
// still get a copy each; a source asking again (the same file listed twice)
// gets the name it was given. Every other candidate is looked at, a link not
// followed: a free name is chosen; a regular file holding exactly the
// message's bytes is the message's copy already (nothing is to be written);
// anything else (other bytes, a folder, a link, a fifo) is passed over.
//
// The file system has the last word: when the exclusive publication of a copy
// then still finds its chosen name taken (a race, or a file system that folds
// case, where "Invoice.eml" takes "INVOICE.eml"), chooseAgain() goes on from
// there. So "taken" is always what the file system says, never a comparison
// of name strings.
//
// Linear however many messages share a name: the candidates of a base name
// are looked at once per run, each row going on from where the last row of
// that base name stopped; names found holding other bytes are remembered by
// their size and the hash of their first bytes, so that a later row of the
// same bytes (a rerun of the list in another order) still finds its earlier
// copy there, while other rows pass them without looking. A run over 5,000
// messages of one subject, and its rerun, look at O(n) names in all.
class TargetNames
{
public:
    // Which message a copy is of: its file, and where in the file the message
    // starts, as one file (a mailbox) may hold many. A file listed twice is
    // the same source.
    struct Source
    {
        FileIdentity file;
        qint64 offset = 0;

        Source(const FileIdentity &file = {}, qint64 offset = 0) : file(file), offset(offset) {}
        friend bool operator==(const Source &, const Source &) = default;
        friend size_t qHash(const Source &source, size_t seed = 0)
        {
            return qHashMulti(seed, source.file, source.offset);
        }
    };

    explicit TargetNames(FileSystemCalls &calls = FileSystemCalls::system());
    TargetNames(const TargetNames &) = delete;
    TargetNames &operator=(const TargetNames &) = delete;

    enum class Verdict
    {
        Free,   // nothing has the name: the copy may go there
        Same,   // the name holds exactly the message's bytes: nothing is to be written
        Failed, // the name could not be looked at; see reason
    };

    struct Choice
    {
        QString path;
        Verdict verdict = Verdict::Failed;
        QString reason; // Failed only: "cannot write <path>: <system text>"

        // Where the choice stands among the candidates; for chooseAgain and settle.
        QString family;
        int number = 0;
        Source source;
    };

    // The first candidate for a message that is free or holds exactly its
    // bytes. folder ends in "/"; source is the message's (a file listed
    // twice is the same source). Writes nothing. A Failed choice leaves
    // nothing changed.
    [[nodiscard]] Choice choose(const QString &folder, const QString &baseName,
                                const Source &source, const MessageBytes &bytes);

    // The name of a Free choice turned out to be taken when the copy was to be
    // published there: looks at it again, and at the candidates after it.
    [[nodiscard]] Choice chooseAgain(const Choice &taken, const MessageBytes &bytes);

    // The message's copy is at the choice's path now (or would be, in a dry
    // run): the name is its source's for the rest of the run.
    void settle(const Choice &choice);

    // How many names have been settled.
    [[nodiscard]] qsizetype size() const { return m_owner.size(); }

    // What one look at a candidate found, taken before the run needs it (on
    // another thread, while earlier rows are copied).
    struct Comparison
    {
        QString path;
        struct stat status = {};           // as the look found it, a link not followed
        int error = 0;                     // the errno of the look, 0 when it worked
        bool compared = false;             // whether the bytes were read and compared
        bool same = false;                 // compared and found to be exactly the message's bytes
        std::optional<size_t> fingerprint; // of the file's first block, when read
    };

    // The candidate number `number` of baseName in folder: the plain name, then
    // " (2)", " (3)", ... before the extension.
    [[nodiscard]] static QString candidate(const QString &folder, const QString &baseName,
                                           int number);

    // Looks at path and, where it is a regular file of bytes.length bytes
    // (and not bytes' own file), compares it with bytes, through calls. Not
    // compared when the file could not be opened or changed between the look
    // and the opening: such a file holds other bytes as far as a copy is
    // concerned. Safe to call from any thread when calls is.
    [[nodiscard]] static Comparison compareWith(const QString &path, const MessageBytes &bytes,
                                                FileSystemCalls &calls);

    // Comparisons made for the message the next choose() is for; a candidate
    // whose status is still the one a comparison saw is not read again. Replaces
    // those given before.
    void know(const QList<Comparison> &comparisons);

private:
    // The candidates of one base name in one folder.
    struct Family
    {
        QString folder;
        QString baseName;
        // The first candidate number no row has looked at or settled yet.
        int next = 1;
        // Candidates found holding other bytes, by size: with the hash of their
        // first bytes once that is known, and without it before.
        QSet<off_t> rememberedSizes;
        QHash<QPair<off_t, size_t>, QList<int>> hashed;
        QHash<off_t, QList<int>> unhashed;
    };

    // What a look at a candidate found.
    struct Look
    {
        enum class Seen
        {
            Free,
            Same,
            Taken,
            Failed
        } seen = Seen::Taken;
        off_t size = -1; // of a regular file holding other bytes, else -1
        std::optional<size_t> fingerprint;
        int error = 0;
    };

    Choice scan(Family &family, const QString &familyKey, const Source &source,
                const MessageBytes &bytes);
    std::optional<Choice> reuseRemembered(Family &family, const QString &familyKey,
                                          const Source &source, const MessageBytes &bytes);
    std::optional<Choice> consider(Family &family, const QString &familyKey, int number,
                                   const Source &source, const MessageBytes &bytes);
    Look lookAt(const QString &path, const MessageBytes &bytes);
    static void remember(Family &family, int number, const Look &look);

    FileSystemCalls &m_calls;
    QHash<QString, Family> m_families;              // folder + NUL + base name
    QHash<QString, Source> m_owner;                 // path -> its source
    QHash<QPair<QString, Source>, QString> m_given; // (family, source) -> path
    QList<Comparison> m_known;
};
