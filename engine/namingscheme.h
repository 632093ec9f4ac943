// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstddef>

// The six ways a name is built, named after the option buttons that pick them,
// in the order of the window's option group.
enum class NamingScheme
{
    OptS,       // subject
    OptSF,      // subject, space, sender
    OptFS,      // sender, space, subject
    OptSFD_dmy, // subject, space, sender, space, date as dd-mm-yyyy
    OptDS_ymd,  // date as yyyy-mm-dd, space, subject
    OptDS_mdy,  // date as mm-yyyy-dd, space, subject
};

// How each scheme is shown and named wherever the program offers it.
struct NamingSchemeEntry
{
    NamingScheme scheme;
    const char *optionName;     // the window's option button that picks it
    const char16_t *caption;    // that button's caption
    const char *cliName;        // letterfold-cli's --scheme value
    const char *cliDescription; // letterfold-cli's help line: the date's real layout
    // The name template that gives every message the same name (see NameTemplate)
    const char16_t *format;

    // The row of a scheme.
    [[nodiscard]] static constexpr const NamingSchemeEntry &of(NamingScheme scheme);
};

// One row per scheme, in NamingScheme's order. The window's "Date (m-d-y)" has
// always written month, year, day: the command line, which the window's
// captions do not bind, says so.
inline constexpr std::array<NamingSchemeEntry, 6> kNamingSchemes = {{
    {NamingScheme::OptS, "OptS", u"Subject", "subject", "Subject", u"{subject}"},
    {NamingScheme::OptSF, "OptSF", u"Subject + From", "subject-from", "Subject + From",
     u"{subject} {from}"},
    {NamingScheme::OptFS, "OptFS", u"From + Subject", "from-subject", "From + Subject",
     u"{from} {subject}"},
    {NamingScheme::OptSFD_dmy, "OptSFD_dmy", u"Subject + From + Date (d-m-y)", "subject-from-date",
     "Subject + From + Date (dd-mm-yyyy)", u"{subject} {from} {date:%d-%m-%Y}"},
    {NamingScheme::OptDS_ymd, "OptDS_ymd", u"Date (y-m-d) + Subject", "date-subject",
     "Date (yyyy-mm-dd) + Subject", u"{date:%Y-%m-%d} {subject}"},
    {NamingScheme::OptDS_mdy, "OptDS_mdy", u"Date (m-d-y) + Subject", "date-mdy-subject",
     "Date (mm-yyyy-dd) + Subject", u"{date:%m-%Y-%d} {subject}"},
}};

constexpr const NamingSchemeEntry &NamingSchemeEntry::of(NamingScheme scheme)
{
    return kNamingSchemes[static_cast<std::size_t>(scheme)];
}

static_assert([] {
    for (std::size_t i = 0; i < kNamingSchemes.size(); ++i)
        if (static_cast<std::size_t>(kNamingSchemes[i].scheme) != i)
            return false;
    return true;
}());
