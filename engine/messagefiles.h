// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

// Which files are saved mail messages: the one test shared by every way of
// filling a list of sources (Add folder, files and folders dropped on the
// window, folders given to letterfold-cli).
namespace messagefiles {

// True when path, once lower-cased and stripped of leading and trailing
// spaces (U+0020 only; tabs and other white space count as characters), ends
// in ".eml" or ".emlx". Only the end of the text matters: a whole path and a
// bare file name give the same answer. "a.eml", "B.EML", "  c.EmLx  " and
// ".eml" pass; "x.emlxx", "x.eml.bak", "x.eml\t" and "" do not. Never fails.
[[nodiscard]] bool isMessageFileName(const QString &path);

// For a raw path that was set aside because it is not valid UTF-8 (see
// pathLogger::unreadableNames): whether it may have held messages, so that
// leaving it out is worth telling the user. True for a folder (its raw path
// ends in "/") and for a file whose name passes isMessageFileName. Never fails.
[[nodiscard]] bool mayHoldMessages(const QByteArray &rawPath);

} // namespace messagefiles
