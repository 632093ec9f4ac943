// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <QByteArrayView>
#include <QDateTime>

// Reading RFC 2822 dates with Qt, for the dates the mail library refuses (it
// takes none before 1969). Qt's own parser wants the modern form only, so the
// forms old mail is full of are brought to it first.
namespace rfc2822date {

// The moment a Date or Received date text names, with its offset; nullopt when
// Qt cannot read it even so. Before Qt parses it, the text loses its comments
// ("(UTC)", nested ones too) and its weekday (so a wrong weekday does no
// harm), an old zone name becomes its offset (UT, UTC and GMT +0000, EST
// -0500, EDT -0400, CST -0600, CDT -0500, MST -0700, MDT -0600, PST -0800, PDT
// -0700), any other zone of letters (the military single letters too) -0000,
// and the month name's letter case is made "Jul". Never fails.
[[nodiscard]] std::optional<QDateTime> parse(QByteArrayView text);

} // namespace rfc2822date
