// SPDX-License-Identifier: MIT
#pragma once

#include "messageheaders.h"
#include "namingscheme.h"
#include "outcome.h"

#include <QString>

// How a copy's file name is built from its message's headers.
namespace naming {

// Longest base name after the length step of CleanName, in UTF-16 code units.
inline constexpr int kMaxBaseNameUnits = 220;
// Longest file name a Linux file system takes, in bytes of UTF-8.
inline constexpr int kMaxFileNameBytes = 255;
// Every copy gets this extension, also when its source is an .emlx file.
inline constexpr char16_t kExtension[] = u".eml";

// The raw name of a message under a scheme. Asks the message only for the values
// the scheme uses, in the scheme's order (date first for the three date schemes,
// then subject, then sender). Parts are joined with one space; empty parts are
// kept. Fails with the reader's reason when a reader the scheme needs fails.
[[nodiscard]] Outcome<QString> ComposeName(const MessageHeaders &message, NamingScheme scheme);

// The calendar day of an OLE date in a pattern made of "dd", "mm", "yyyy" and
// literal characters: "dd-mm-yyyy", "yyyy-mm-dd" or "mm-yyyy-dd".
[[nodiscard]] QString FormatDate(double oleDate, const QString &pattern);

// The base name for a raw name, by these steps in order: delete the nine reserved
// characters : ? \ / * " < > |, delete codes 1 to 31 and NUL, cut to 220 units
// (never between the halves of a surrogate pair) and strip spaces at both ends
// when longer, delete "RE ", "Re ", "re " when removeReply, then "FW ", "Fw ",
// "fw ", "FWD ", "Fwd ", "fwd " when removeForward. Never fails.
[[nodiscard]] QString CleanName(const QString &rawName, bool removeReply, bool removeForward);

// The file name for a base name: base name + suffix + ".eml", with the base name
// cut at a character boundary and stripped of trailing spaces as far as needed
// for the whole name to fit in 255 bytes of UTF-8. The suffix (such as " (2)")
// is kept whole.
[[nodiscard]] QString FitFileName(const QString &baseName, const QString &suffix = {});

} // namespace naming
