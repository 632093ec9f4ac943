// SPDX-License-Identifier: MIT
#pragma once

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

} // namespace messagefiles
