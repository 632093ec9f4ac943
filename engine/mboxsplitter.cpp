// SPDX-License-Identifier: MIT
#include "mboxsplitter.h"

#include "headerblock.h"
#include "sourcefile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <QList>
#include <QTimeZone>

namespace {

constexpr QByteArrayView kSeparator = "From ";
constexpr QByteArrayView kLineSeparator = "\nFrom ";
// Of a separator line, only this much is kept: its date is near its start.
constexpr qint64 kMaxSeparatorBytes = 1024;
// A Content-Length count longer than this is nonsense, and would overflow.
constexpr qsizetype kMaxCountDigits = 18;

bool isBlankLine(QByteArrayView line)
{
    return line == "\n" || line == "\r\n";
}

// The count of a Content-Length value: digits with white space around them.
std::optional<qint64> countOf(const QByteArray &value)
{
    const QByteArray digits = value.trimmed();
    if (digits.isEmpty() || digits.size() > kMaxCountDigits ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return digits.toLongLong();
}

std::optional<int> monthOf(QByteArrayView word)
{
    static constexpr std::array<QByteArrayView, 12> kMonths = {
        "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};
    for (int i = 0; i < 12; ++i) {
        if (word.compare(kMonths[i], Qt::CaseInsensitive) == 0)
            return i + 1;
    }
    return std::nullopt;
}

std::optional<int> numberOf(QByteArrayView word, int minimum, int maximum)
{
    bool ok = false;
    const int number = word.toInt(&ok);
    return ok && number >= minimum && number <= maximum ? std::optional(number) : std::nullopt;
}

// "+0100" or "-0530" as seconds east of UTC.
std::optional<int> zoneOf(QByteArrayView word)
{
    if (word.size() != 5 || (word[0] != '+' && word[0] != '-'))
        return std::nullopt;
    const auto hours = numberOf(word.sliced(1, 2), 0, 23);
    const auto minutes = numberOf(word.sliced(3, 2), 0, 59);
    if (!hours || !minutes)
        return std::nullopt;
    return (word[0] == '-' ? -1 : 1) * (*hours * 3600 + *minutes * 60);
}

// The pieces of text between the separator characters, empty ones left out.
QList<QByteArrayView> piecesOf(QByteArrayView text, QByteArrayView separators)
{
    QList<QByteArrayView> pieces;
    qsizetype begin = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !separators.contains(text[i]))
            continue;
        if (i > begin)
            pieces.append(text.sliced(begin, i - begin));
        begin = i + 1;
    }
    return pieces;
}

// "12:34:56" or "12:34".
std::optional<QTime> timeOf(QByteArrayView word)
{
    if (word.startsWith(':') || word.endsWith(':') || word.contains("::"))
        return std::nullopt;
    const QList<QByteArrayView> parts = piecesOf(word, ":");
    if (parts.size() != 2 && parts.size() != 3)
        return std::nullopt;
    const auto hours = numberOf(parts[0], 0, 23);
    const auto minutes = numberOf(parts[1], 0, 59);
    const auto seconds = parts.size() == 3 ? numberOf(parts[2], 0, 60) : std::optional(0);
    if (!hours || !minutes || !seconds)
        return std::nullopt;
    // A leap second is read as the last second of its minute.
    return QTime(*hours, *minutes, std::min(*seconds, 59));
}

} // namespace

// Where a message's header block lies, and the count it gives, if any.
struct MboxSplitter::HeaderBlock
{
    qint64 start = 0;
    qint64 bodyStart = 0; // just after the empty line that ends the block
    std::optional<qint64> contentLength;
};

Outcome<bool> MboxSplitter::isMailbox(const SourceFile &file)
{
    char head[kSeparator.size()];
    const qint64 got = file.readAt(head, sizeof head, 0);
    if (got < 0)
        return Outcome<bool>::failure(
            QStringLiteral("cannot read the file: %1").arg(systemReason(errno)));
    return Outcome<bool>::success(QByteArrayView(head, got) == kSeparator);
}

std::optional<QDateTime> MboxSplitter::separatorDate(QByteArrayView separator)
{
    const QList<QByteArrayView> words = piecesOf(separator, " \t");
    // The sender before the date may hold anything, even spaces; the date is
    // the first month name followed by a day and a time.
    for (qsizetype i = 1; i + 3 < words.size(); ++i) {
        const auto month = monthOf(words[i]);
        const auto day = month ? numberOf(words[i + 1], 1, 31) : std::nullopt;
        const auto time = day ? timeOf(words[i + 2]) : std::nullopt;
        if (!time)
            continue;
        // The year follows the time; a numeric zone may stand before or after it.
        std::optional<int> year;
        std::optional<int> zone;
        for (qsizetype j = i + 3; j < std::min(words.size(), i + 6); ++j) {
            if (!year && words[j].size() == 4)
                year = numberOf(words[j], 1000, 9999);
            else if (!zone)
                zone = zoneOf(words[j]);
        }
        const QDate date(year.value_or(0), *month, *day);
        if (!year || !date.isValid())
            return std::nullopt;
        return QDateTime(date, *time, QTimeZone(zone.value_or(0)));
    }
    return std::nullopt;
}

MboxSplitter::MboxSplitter(const SourceFile &file, std::function<void()> afterRead)
    : m_file(file), m_size(std::max<qint64>(file.status().st_size, 0)),
      m_afterRead(std::move(afterRead))
{
    m_window.reserve(2 * kBlockBytes);
}

qint64 MboxSplitter::position() const
{
    return std::min(m_size, std::max(m_next, m_passed));
}

QByteArrayView MboxSplitter::view(qint64 from, qint64 until) const
{
    return QByteArrayView(m_window).sliced(from - m_windowStart, until - from);
}

// Makes the window hold the bytes from keepFrom to until (or to the end of the
// file), reading whole blocks, and letting go of what lies before keepFrom.
bool MboxSplitter::cover(qint64 keepFrom, qint64 until)
{
    until = std::min(until, m_size);
    if (keepFrom >= m_windowStart && until <= windowEnd())
        return true;
    if (keepFrom < m_windowStart || keepFrom > windowEnd()) {
        m_window.clear();
        m_windowStart = keepFrom;
    } else {
        m_window.remove(0, keepFrom - m_windowStart);
        m_windowStart = keepFrom;
    }
    while (windowEnd() < until) {
        const qint64 at = windowEnd();
        const qint64 wanted = std::min(kBlockBytes, m_size - at);
        const qsizetype held = m_window.size();
        m_window.resize(held + wanted);
        const qint64 got = m_file.readAt(m_window.data() + held, wanted, at);
        if (got < 0) {
            m_error = errno;
            m_window.resize(held);
            return false;
        }
        m_window.resize(held + got);
        if (got < wanted)
            m_size = windowEnd(); // the file shrank: it ends here now
        if (m_afterRead)
            m_afterRead();
    }
    return true;
}

// Just after the "\n" that ends the line starting at from, or the end of the file.
std::optional<qint64> MboxSplitter::lineEnd(qint64 from)
{
    for (qint64 at = from;;) {
        if (!cover(at, at + 1))
            return std::nullopt;
        const QByteArrayView rest = view(at, windowEnd());
        if (const qsizetype newline = rest.indexOf('\n'); newline >= 0)
            return at + newline + 1;
        if (windowEnd() >= m_size)
            return m_size;
        at = windowEnd();
    }
}

// The header block of the message starting at start and its Content-Length
// count; nullopt, with no error, for a message whose header block does not
// end in an empty line (it runs into a separator, the end of the file, or
// past the most a header block is read for).
std::optional<MboxSplitter::HeaderBlock> MboxSplitter::headerBlock(qint64 start)
{
    const qint64 limit = std::min(m_size, start + headerblock::kMaxHeaderBytes);
    qint64 at = start;
    while (at < limit) {
        // The window keeps the whole block, so its fields can be read in one piece.
        if (!cover(start, at + 1))
            return std::nullopt;
        const QByteArrayView rest = view(at, windowEnd());
        const qsizetype newline = rest.indexOf('\n');
        if (newline < 0) {
            if (windowEnd() >= limit)
                return std::nullopt;
            if (!cover(start, windowEnd() + 1))
                return std::nullopt;
            continue;
        }
        const QByteArrayView line = rest.first(newline + 1);
        if (isBlankLine(line)) {
            HeaderBlock header{start, at + line.size(), std::nullopt};
            if (const auto value = headerblock::firstField(view(start, at), "content-length"))
                header.contentLength = countOf(*value);
            return header;
        }
        if (line.startsWith(kSeparator))
            return std::nullopt;
        at += line.size();
    }
    return std::nullopt;
}

// Where the message ends by its Content-Length count, when the count ends
// at the end of the file or at a separator line, directly or after one empty
// line; *following is then where the next separator begins. nullopt when the
// count is not to be honoured (or a read failed).
std::optional<qint64> MboxSplitter::countedEnd(const HeaderBlock &header, qint64 *following)
{
    if (!header.contentLength || *header.contentLength > m_size - header.bodyStart)
        return std::nullopt;
    const qint64 end = header.bodyStart + *header.contentLength;
    if (!cover(end - 1, end + 2 + kSeparator.size()))
        return std::nullopt;
    const QByteArrayView rest = view(end, windowEnd());
    const bool atLineStart = view(end - 1, end) == "\n";
    for (const QByteArrayView blank :
         {QByteArrayView(""), QByteArrayView("\n"), QByteArrayView("\r\n")}) {
        const bool endsFile = end + blank.size() == m_size && rest.startsWith(blank);
        const bool beforeSeparator = rest.startsWith(blank) &&
                                     rest.sliced(blank.size()).startsWith(kSeparator) &&
                                     (!blank.isEmpty() || atLineStart);
        if (endsFile || beforeSeparator) {
            *following = end + blank.size();
            return end;
        }
    }
    return std::nullopt;
}

// The start of the first line at or after from (itself a line start) that
// begins with "From ", or the end of the file.
std::optional<qint64> MboxSplitter::nextSeparator(qint64 from)
{
    if (from >= m_size)
        return m_size;
    // Looking for "\nFrom " from the line end before from finds a separator at from too.
    for (qint64 at = from - 1;;) {
        if (!cover(at, at + kLineSeparator.size()))
            return std::nullopt;
        const QByteArrayView rest = view(at, windowEnd());
        const void *found = ::memmem(rest.data(), size_t(rest.size()), kLineSeparator.data(),
                                     size_t(kLineSeparator.size()));
        if (found != nullptr)
            return at + (static_cast<const char *>(found) - rest.data()) + 1;
        if (windowEnd() >= m_size)
            return m_size;
        // The last bytes may begin a separator that the next block completes.
        at = std::max(at, windowEnd() - (kLineSeparator.size() - 1));
        m_passed = std::max(m_passed, at);
        if (!cover(at, windowEnd() + 1))
            return std::nullopt;
    }
}

Outcome<std::optional<MboxSplitter::Message>> MboxSplitter::failure() const
{
    return Outcome<std::optional<Message>>::failure(systemReason(m_error));
}

Outcome<std::optional<MboxSplitter::Message>> MboxSplitter::next()
{
    using Result = Outcome<std::optional<Message>>;
    if (m_next >= m_size)
        return Result::success(std::nullopt);
    const qint64 separatorStart = m_next;
    if (!cover(separatorStart, separatorStart + kMaxSeparatorBytes))
        return failure();
    Message message;
    message.separator =
        view(separatorStart, windowEnd())
            .first(std::min<qint64>(kMaxSeparatorBytes, windowEnd() - separatorStart))
            .toByteArray();
    if (const qsizetype newline = message.separator.indexOf('\n'); newline >= 0)
        message.separator.truncate(newline);
    if (message.separator.endsWith('\r'))
        message.separator.chop(1);

    const std::optional<qint64> start = lineEnd(separatorStart);
    if (!start)
        return failure();
    std::optional<qint64> end;
    qint64 following = m_size;
    if (const std::optional<HeaderBlock> header = headerBlock(*start))
        end = countedEnd(*header, &following);
    if (m_error != 0)
        return failure();
    if (!end) {
        const std::optional<qint64> separator = nextSeparator(*start);
        if (!separator)
            return failure();
        following = *separator;
        // The empty line before the next separator (or the end of the file)
        // separates; it is not the message's. It may reach back into the
        // separator line's own line end, when the message is empty.
        const qint64 from = std::max(separatorStart, following - 4);
        if (!cover(from, following))
            return failure();
        const QByteArrayView tail = view(from, following);
        end = following - (tail.endsWith("\r\n\r\n") ? 2 : tail.endsWith("\n\n") ? 1 : 0);
        end = std::max(*end, *start);
    }
    message.offset = *start;
    message.length = *end - *start;
    m_next = following;
    return Result::success(std::move(message));
}
