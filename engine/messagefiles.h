// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

// Which files are saved mail messages or mailboxes by their names: the one test
// shared by every way of filling a list of sources (Add folder, files and
// folders dropped on the window, folders given to letterfold-cli). Where a
// file's place decides instead (a Maildir's messages, an mbox beside its
// index), messagescan looks.
namespace messagefiles {

// True when path, once lower-cased and stripped of leading and trailing
// spaces (U+0020 only; tabs and other white space count as characters), ends
// in ".eml" or ".emlx". Only the end of the text matters: a whole path and a
// bare file name give the same answer. "a.eml", "B.EML", "  c.EmLx  " and
// ".eml" pass; "x.emlxx", "x.eml.bak", "x.eml\t" and "" do not. Never fails.
[[nodiscard]] bool isMessageFileName(const QString &path);

// True when the name at the end of path (after its last "/") is that of an
// mbox file by itself: it ends in ".mbox", as Google Takeout names its
// mailboxes, or it is "mbox", as classic mail programs and Apple Mail's export
// name theirs; both in any letter case. Nothing is stripped: "x.mbox " and
// "x.mbox.bak" do not pass. Never fails.
[[nodiscard]] bool isMailboxFileName(const QString &path);

// For a raw path that was set aside because it is not valid UTF-8 (see
// pathLogger::unreadableNames): whether it may have held messages, so that
// leaving it out is worth telling the user. True for a folder (its raw path
// ends in "/") and for a file whose name passes isMessageFileName or
// isMailboxFileName. Never fails.
[[nodiscard]] bool mayHoldMessages(const QByteArray &rawPath);

} // namespace messagefiles
