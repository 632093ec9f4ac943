// SPDX-License-Identifier: MIT
#include "headerblock.h"

#include "sourcefile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace headerblock {

namespace {

// The first read covers the header block of nearly every message; only a
// message whose headers run past it costs a second read. Reading more would
// copy body bytes that are never looked at.
constexpr qint64 kFirstRead = 16 * 1024;
// A byte count line longer than this is no byte count.
constexpr qsizetype kMaxCountLine = 32;

constexpr QByteArrayView kByteOrderMark = "\xEF\xBB\xBF";

bool isWhiteSpace(char c)
{
    return c == ' ' || c == '\t';
}

// Where messageHead() lies within bytes of a size: its offset and length.
std::pair<qsizetype, qsizetype> headRange(qsizetype size, const Frame &frame)
{
    const auto start = static_cast<qsizetype>(std::min<qint64>(frame.start, size));
    const qint64 length = std::min({frame.length, kMaxHeaderBytes, qint64(size - start)});
    return {start, static_cast<qsizetype>(length)};
}

// True once the bytes hold the empty line that ends the header block. Goes
// from line end to line end, so it looks at the header lines only, not at the
// body bytes read with them.
bool holdsBlankLine(QByteArrayView message)
{
    const char *const end = message.data() + message.size();
    const auto blankAt = [end](const char *line) {
        return line < end &&
               (*line == '\n' || (*line == '\r' && line + 1 < end && line[1] == '\n'));
    };
    if (blankAt(message.data()))
        return true;
    for (const char *at = message.data();
         (at = static_cast<const char *>(std::memchr(at, '\n', size_t(end - at)))) != nullptr;) {
        ++at;
        if (blankAt(at))
            return true;
    }
    return false;
}

// The field name of a line that starts a field, and where its value begins;
// nullopt for a line that starts no field (garbage, an mbox "From " line).
std::optional<std::pair<QByteArrayView, qsizetype>> fieldStart(QByteArrayView line)
{
    qsizetype i = 0;
    while (i < line.size() && line[i] >= 0x21 && line[i] <= 0x7e && line[i] != ':')
        ++i;
    const qsizetype nameEnd = i;
    // The obsolete syntax allows white space between the name and the colon.
    while (i < line.size() && isWhiteSpace(line[i]))
        ++i;
    if (nameEnd == 0 || i == line.size() || line[i] != ':')
        return std::nullopt;
    return std::make_pair(line.first(nameEnd), i + 1);
}

bool isNamed(QByteArrayView name, QByteArrayView wanted)
{
    return name.size() == wanted.size() && name.compare(wanted, Qt::CaseInsensitive) == 0;
}

// A continuation line of a folded field, added to its value.
void appendFolded(QByteArray *value, QByteArrayView line)
{
    // The tabs that indent a folded line read as spaces, or the words on
    // either side of the fold would run together once the cleaning of names
    // deletes the tab.
    qsizetype at = value->size();
    value->append(line);
    for (; at < value->size() && isWhiteSpace(value->at(at)); ++at)
        (*value)[at] = ' ';
}

// Goes through the lines of the header block and asks valueFor, for the name
// of every field, where the field's unfolded value goes (nullptr: nowhere).
template <typename ValueFor> void splitFields(QByteArrayView message, ValueFor valueFor)
{
    if (message.startsWith(kByteOrderMark))
        message = message.sliced(kByteOrderMark.size());
    QByteArray *value = nullptr;
    const auto close = [&value] {
        // A NUL would cut the value short in the C strings the decoders take;
        // it is garbage anyway.
        if (value != nullptr)
            value->removeIf([](char c) { return c == '\0'; });
        value = nullptr;
    };
    qsizetype pos = 0;
    while (pos < message.size()) {
        qsizetype end = message.indexOf('\n', pos);
        const qsizetype next = end < 0 ? message.size() : end + 1;
        if (end < 0)
            end = message.size();
        QByteArrayView line = message.sliced(pos, end - pos);
        pos = next;
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            break;
        if (isWhiteSpace(line.front())) {
            if (value != nullptr)
                appendFolded(value, line);
            continue;
        }
        close();
        if (const auto start = fieldStart(line)) {
            value = valueFor(start->first);
            if (value != nullptr)
                value->append(line.sliced(start->second));
        }
    }
    close();
}

} // namespace

bool isEmlx(Framing framing, const QString &name)
{
    return framing == Framing::Emlx || (framing == Framing::ByName &&
                                        name.endsWith(QLatin1String(".emlx"), Qt::CaseInsensitive));
}

Frame emlxFrame(QByteArrayView head)
{
    const qsizetype newline = head.first(std::min(head.size(), kMaxCountLine)).indexOf('\n');
    if (newline < 0)
        return {};
    const QByteArrayView count = head.first(newline).trimmed();
    // 18 digits always fit a qint64; a longer count is nonsense anyway.
    if (count.isEmpty() || count.size() > 18)
        return {};
    if (!std::all_of(count.begin(), count.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return {};
    return {newline + 1, count.toLongLong()};
}

QByteArrayView messageHead(QByteArrayView bytes, const Frame &frame)
{
    const auto [start, length] = headRange(bytes.size(), frame);
    return bytes.sliced(start, length);
}

namespace {

// Reads the head of the message at offset in file: first a read of at most
// firstRead bytes, framed by frameOf, then more only while the header block
// has not ended, up to the frame's length and kMaxHeaderBytes.
template <typename FrameOf>
Outcome<QByteArray> readHeadAt(const SourceFile &file, qint64 offset, qint64 firstRead,
                               FrameOf frameOf)
{
    const QString &path = file.path();
    const auto fail = [](const QString &reason) { return Outcome<QByteArray>::failure(reason); };
    const auto cannotRead = [&](int error) {
        return fail(QStringLiteral("cannot read %1: %2").arg(path, systemReason(error)));
    };
    if (file.descriptor() < 0)
        return fail(QStringLiteral("cannot open %1: %2").arg(path, systemReason(file.error())));
    if (file.isFolder())
        return fail(QStringLiteral("%1 is a folder, not a message file").arg(path));
    if (!file.isRegular())
        return fail(QStringLiteral("%1 is not a regular file").arg(path));

    QByteArray bytes(firstRead, Qt::Uninitialized);
    const qint64 got = file.readAt(bytes.data(), firstRead, offset);
    if (got < 0)
        return cannotRead(errno);
    bytes.truncate(got);
    const Frame frame = frameOf(QByteArrayView(bytes));
    const qint64 wanted = frame.start + std::min(frame.length, kMaxHeaderBytes);
    if (got == kFirstRead && wanted > got && !holdsBlankLine(messageHead(bytes, frame))) {
        bytes.resize(static_cast<qsizetype>(wanted));
        const qint64 more = file.readAt(bytes.data() + got, wanted - got, offset + got);
        if (more < 0)
            return cannotRead(errno);
        bytes.truncate(static_cast<qsizetype>(got + more));
    }
    const auto [start, length] = headRange(bytes.size(), frame);
    bytes.truncate(start + length);
    bytes.remove(0, start);
    return Outcome<QByteArray>::success(std::move(bytes));
}

} // namespace

Outcome<QByteArray> readHead(const SourceFile &file, Framing framing)
{
    // A file smaller than the first read is read whole at once; asking for
    // more would cost a second call only to learn that it ended. A size of 0
    // may also be a file whose size shows only when read.
    const qint64 size = file.status().st_size;
    const qint64 firstRead = size > 0 ? std::min(size, kFirstRead) : kFirstRead;
    const bool emlx = isEmlx(framing, file.path());
    return readHeadAt(file, 0, firstRead,
                      [emlx](QByteArrayView head) { return emlx ? emlxFrame(head) : Frame{}; });
}

Outcome<QByteArray> readHead(const SourceFile &file, qint64 offset, qint64 length)
{
    length = std::max<qint64>(length, 0);
    return readHeadAt(file, offset, std::min(length, kFirstRead), [length](QByteArrayView) {
        return Frame{0, length};
    });
}

FirstFields firstFields(QByteArrayView message)
{
    static constexpr std::pair<QByteArrayView, std::optional<QByteArray> FirstFields::*> kNames[] =
        {
            {"subject", &FirstFields::subject}, {"from", &FirstFields::from},
            {"date", &FirstFields::date},       {"content-type", &FirstFields::contentType},
            {"to", &FirstFields::to},           {"message-id", &FirstFields::messageId},
        };
    FirstFields fields;
    splitFields(message, [&fields](QByteArrayView name) -> QByteArray * {
        fields.anyField = true;
        for (const auto &[wanted, member] : kNames) {
            if (!isNamed(name, wanted))
                continue;
            // Later fields of the same name are never read.
            std::optional<QByteArray> &value = fields.*member;
            return value ? nullptr : &value.emplace();
        }
        return nullptr;
    });
    return fields;
}

std::optional<QByteArray> firstField(QByteArrayView message, QByteArrayView name)
{
    std::optional<QByteArray> value;
    splitFields(message, [&value, name](QByteArrayView field) -> QByteArray * {
        return !value && isNamed(field, name) ? &value.emplace() : nullptr;
    });
    return value;
}

std::vector<QByteArray> receivedFields(QByteArrayView message)
{
    std::vector<QByteArray> values;
    splitFields(message, [&values](QByteArrayView name) -> QByteArray * {
        return isNamed(name, "received") ? &values.emplace_back() : nullptr;
    });
    return values;
}

} // namespace headerblock
