// SPDX-License-Identifier: MIT
#pragma once

#include "messageheaders.h"
#include "messageorigin.h"
#include "nametemplate.h"
#include "namingscheme.h"
#include "outcome.h"
#include "runoptions.h"

#include <QString>

// How a copy's file name is built from its message's headers.
namespace naming {

// Longest base name after the length step of CleanName, in UTF-16 code units.
inline constexpr int kMaxBaseNameUnits = 220;
// Longest file name a Linux file system takes, in bytes of UTF-8.
inline constexpr int kMaxFileNameBytes = 255;
// Every copy gets this extension, also when its source is an .emlx file.
inline constexpr char16_t kExtension[] = u".eml";

// The raw name of a message under a scheme:
//   OptS        subject                       asks subject
//   OptSF       subject sender                asks subject, sender
//   OptFS       sender subject                asks sender, subject
//   OptSFD_dmy  subject sender dd-mm-yyyy     asks date, subject, sender
//   OptDS_ymd   yyyy-mm-dd subject            asks date, subject
//   OptDS_mdy   mm-yyyy-dd subject            asks date, subject
// Asks the message only for the values the scheme uses, in the order shown.
// Parts are joined with one space; empty parts and their spaces are kept, and
// nothing is trimmed or decoded. The date's day is the one it shows on zone's
// clock. Fails with the reason of the first reader that fails, and then asks
// nothing more.
[[nodiscard]] Outcome<QString> ComposeName(const MessageHeaders &message, NamingScheme scheme,
                                           DateZone zone = DateZone::Local);

// The raw name of a message under a run's options: options.format rendered
// when a template is set, else ComposeName under options.scheme (no folders),
// dates on options.timeZone's clock. Fails as those do.
[[nodiscard]] Outcome<RawName> ComposeRawName(const MessageHeaders &message,
                                              const MessageOrigin &origin,
                                              const RunOptions &options);

// A number written in at least width digits, zeros in front, a minus sign
// before a negative one: Digits(7, 2) is "07", Digits(-44, 4) "-0044".
[[nodiscard]] QString Digits(int value, int width);

// The calendar day of an OLE date in a pattern made of "dd" (day, 01 to 31),
// "mm" (month, 01 to 12), "yyyy" (year, at least four digits, a minus sign
// before years before year 1) and literal characters, such as "dd-mm-yyyy",
// "yyyy-mm-dd" or "mm-yyyy-dd". The time of day plays no part; 0 is
// 30 December 1899, and NaN, infinities and values beyond any calendar give
// that day too (see oledate::ToDate). Never fails.
[[nodiscard]] QString FormatDate(double oleDate, const QString &pattern);

// The base name for a raw name, by these steps in order:
//  1. delete the nine reserved characters : ? \ / * " < > |
//  2. delete the codes 1 to 31 and NUL (U+007F and everything above stay);
//  3. when longer than 220 units, cut to 220 (to 219 when that would split a
//     surrogate pair) and strip spaces (U+0020 only) at both ends;
//  4. when removeReply, delete every "RE ", then every "Re ", then every "re ";
//  5. when removeForward, likewise "FW ", "Fw ", "fw ", "FWD ", "Fwd ", "fwd ";
//  6. so that no copy is hidden (a name starting with "." is, on Linux): an
//     empty name becomes "(no subject)", and a name starting with "." gets
//     "_" in front (".NET 8 released" gives "_.NET 8 released").
// Markers match case-sensitively wherever they stand, inside words too; each
// pattern is one left-to-right pass, so text joined by a deletion is not
// searched again. Nothing is trimmed after steps 4 and 5. Step 6 comes last,
// after every deletion, so that FitFileName's 255-byte fit and the numbering
// of names see the base name as it will be written; its "_" may make the name
// one unit longer than step 3's limit, which FitFileName's byte limit covers.
// Linear in the length of rawName. Never fails; the result is never empty.
[[nodiscard]] QString CleanName(const QString &rawName, bool removeReply, bool removeForward);

// The folder name for a raw folder part of a template: CleanName's steps, but
// an empty name becomes "(none)", and the name is cut as FitFileName cuts a
// base name so that it fits in 255 bytes on its own. The result is never
// empty, never holds "/" or NUL, and never starts with "." (so it is never
// "." or ".."): joined below a folder it stays below that folder.
[[nodiscard]] QString CleanFolderName(const QString &rawFolder, bool removeReply,
                                      bool removeForward);

// A raw name cleaned for the run: the folders below the target folder, each
// cleaned by CleanFolderName and followed by "/" ("" when there are none,
// "2010/(none)/" for two), and the base name cleaned by CleanName.
struct CleanedName
{
    QString folders;
    QString baseName;
};
[[nodiscard]] CleanedName CleanRawName(const RawName &raw, bool removeReply, bool removeForward);

// The file name for a base name: base name + suffix + ".eml", with the base name
// cut at a character boundary and stripped of trailing spaces as far as needed
// for the whole name to fit in 255 bytes of UTF-8. A base name is never cut
// between the halves of a surrogate pair (combining marks may be parted from
// their base). A name that fits is returned as is, trailing spaces included.
// The suffix (such as " (2)") is kept whole; one so long that even an empty
// base name does not fit gives suffix + ".eml", which is then too long.
[[nodiscard]] QString FitFileName(const QString &baseName, const QString &suffix = {});

} // namespace naming
