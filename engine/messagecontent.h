// SPDX-License-Identifier: MIT
#pragma once

#include "filedescriptor.h"
#include "messagebytes.h"
#include "outcome.h"

#include <QString>

class SourceFile;

// What the copy of a file that holds one message holds: the message's bytes,
// and a note for the user where they are less than the message was (a partial
// message whose attachments are not all found). The bytes may lie in memory
// this object owns; they stay readable while it lives.
class MessageContent
{
public:
    // bytes of a file that someone else holds open.
    explicit MessageContent(const MessageBytes &bytes, QString note = {});
    // bytes of owned, a file this object keeps open (a restored message in memory).
    MessageContent(FileDescriptor owned, const MessageBytes &bytes, QString note = {});

    [[nodiscard]] const MessageBytes &bytes() const { return m_bytes; }
    // Empty, or what the user should know about the copy ("2 of 3 attachments
    // restored; missing: 2.6 image001.png").
    [[nodiscard]] const QString &note() const { return m_note; }

private:
    FileDescriptor m_owned;
    MessageBytes m_bytes;
    QString m_note;
};

namespace messagecontent {

// Whether the file at path is a partial message (*.partial.emlx, any case),
// whose copy of() restores in memory.
[[nodiscard]] bool isPartial(const QString &path);

// Which bytes make the copy of file, a file that holds one message (the
// caller has opened it and knows it is a regular file):
//  - a file named *.emlx (any case) whose first line is a byte count: the
//    counted bytes after that line, without the line and without the property
//    list after them; where the count is more than the file holds, the bytes
//    that are there. A first line that is no count leaves the whole file;
//  - a *.partial.emlx (any case): those bytes with the attachments of the
//    parts left out put back. Its folder is named Messages, and each part's
//    attachment is the one file in Attachments/<number>/<part number>/ beside
//    it, <number> being the file name before ".partial.emlx" (names starting
//    with "." in that folder do not count). A part whose file is not found
//    (none is, for a file elsewhere) stays as stored, and the note names it;
//    the message still counts. See mailpartial for how it is rewritten;
//  - any other file: its whole bytes, as they are.
// The bytes keep the file's mode and modification time.
//
// Fails, with a reason that does not repeat the path, when the file cannot be
// read, or when a partial message and its attachments are too large to be
// restored in memory (mailpartial::kMaxRestoredBytes) or cannot be.
[[nodiscard]] Outcome<MessageContent> of(const SourceFile &file);

} // namespace messagecontent
