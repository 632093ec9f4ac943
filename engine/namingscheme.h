// SPDX-License-Identifier: MIT
#pragma once

#include <array>

// The six ways a name is built, named after the option buttons that pick them,
// in the order of the window's option group.
enum class NamingScheme {
    OptS,       // subject
    OptSF,      // subject, space, sender
    OptFS,      // sender, space, subject
    OptSFD_dmy, // subject, space, sender, space, date as dd-mm-yyyy
    OptDS_ymd,  // date as yyyy-mm-dd, space, subject
    OptDS_mdy,  // date as mm-yyyy-dd, space, subject
};

inline constexpr std::array<NamingScheme, 6> kAllNamingSchemes = {
    NamingScheme::OptS,       NamingScheme::OptSF,     NamingScheme::OptFS,
    NamingScheme::OptSFD_dmy, NamingScheme::OptDS_ymd, NamingScheme::OptDS_mdy,
};
