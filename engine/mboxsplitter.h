// SPDX-License-Identifier: MIT
#pragma once

#include "outcome.h"

#include <functional>
#include <optional>
#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>

class SourceFile;

// Splits an mbox file (one file holding many messages, each introduced by a
// separator line that starts with "From ") into the byte ranges of its
// messages, without parsing any of them.
//
// A message ends where the next line starting with "From " begins: mbox
// writers escape such lines inside bodies (">From "), so every one is a
// separator, also without an empty line before it (older mail programs
// append "From - ..." right after a closing MIME boundary). Line ends may be
// LF or CRLF, mixed within one file. A message is its bytes after the
// separator line, without the empty line that separates it from the next
// separator (or that ends the file); ">From " lines stay as stored.
// Where a message's header block carries Content-Length (the mboxcl2
// variant, whose bodies are not escaped), the count is honoured only when
// the counted body ends exactly at the end of the file or at a separator
// line, directly or after one empty line; a count that ends anywhere else
// (old mail programs wrote wrong ones) is ignored.
//
// A MIME parser never decides where a message ends: one that lets a
// multipart run on past a separator merges messages.
//
// The file is read in blocks of kBlockBytes through pread, never mapped, so a
// mailbox of any size takes a few megabytes of memory, and a file that
// shrinks while it is split (another program rewriting it) ends early
// instead of faulting.
class MboxSplitter
{
public:
    // The most read at a time; a caller that gives a window its turns after
    // each read keeps it live however long a message is.
    static constexpr qint64 kBlockBytes = qint64(1) << 20;

    struct Message
    {
        qint64 offset = 0;    // the message's first byte, just after its separator line
        qint64 length = 0;    // its bytes, without the empty line after it
        QByteArray separator; // the separator line without its line end (its first KB)
    };

    // Whether an opened file is an mbox: it begins with "From ". Fails when
    // the file cannot be read.
    [[nodiscard]] static Outcome<bool> isMailbox(const SourceFile &file);

    // The date a separator line carries after the sender, in the form
    // "From sender Mon Jan  1 00:00:00 2024" (the weekday optional, a numeric
    // zone such as "+0100" before or after the year honoured, the time
    // otherwise read as UTC, as mbox writers store it). nullopt for a line
    // without one ("From 1844347792267117879@xxx", as Google Takeout writes).
    [[nodiscard]] static std::optional<QDateTime> separatorDate(QByteArrayView separator);

    // Splits file, as far as the size it had when opened: a mailbox that grows
    // meanwhile is split as it was. The file begins with a separator line
    // (isMailbox) and must stay open while splitting. afterRead, when given,
    // is called after every block read.
    explicit MboxSplitter(const SourceFile &file, std::function<void()> afterRead = {});

    // The next message, in file order; nullopt after the last one. Fails,
    // with the system's reason, when reading the file fails; the file's later
    // messages are then not found.
    [[nodiscard]] Outcome<std::optional<Message>> next();

    // How far into the file the splitting has come, from 0 to the size given:
    // the start of the next message, or, while a long message is read, how far
    // it has been searched for its end. Never goes back.
    [[nodiscard]] qint64 position() const;

private:
    struct HeaderBlock;

    bool cover(qint64 keepFrom, qint64 until);
    [[nodiscard]] qint64 windowEnd() const { return m_windowStart + m_window.size(); }
    [[nodiscard]] QByteArrayView view(qint64 from, qint64 until) const;
    std::optional<qint64> lineEnd(qint64 from);
    std::optional<HeaderBlock> headerBlock(qint64 start);
    std::optional<qint64> countedEnd(const HeaderBlock &header, qint64 *following);
    std::optional<qint64> nextSeparator(qint64 from);
    Outcome<std::optional<Message>> failure() const;

    const SourceFile &m_file;
    qint64 m_size;
    std::function<void()> m_afterRead;
    // The bytes [m_windowStart, windowEnd()) of the file.
    QByteArray m_window;
    qint64 m_windowStart = 0;
    qint64 m_next = 0;   // where the next message's separator line begins
    qint64 m_passed = 0; // how far the search for a separator has come
    int m_error = 0;
};
