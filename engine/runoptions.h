// SPDX-License-Identifier: MIT
#pragma once

#include "messagedate.h"
#include "nametemplate.h"
#include "namingscheme.h"

#include <optional>

// The choices that shape the names a run gives, as they stand when a message
// is named. One struct, so that a new choice is a new field here, not a new
// question every host must answer.
struct RunOptions
{
    NamingScheme scheme = NamingScheme::OptS;
    // Whether reply markers ("RE ", "Re ", "re ") are removed.
    bool removeReply = false;
    // Whether forward markers ("FW ", "Fwd " ...) are removed.
    bool removeForward = false;
    // When set, names (and the folders below the target folder) come from
    // this template instead of the scheme.
    std::optional<NameTemplate> format;
    // The clock dates are shown on, in a scheme's name as in a template's.
    DateZone timeZone = DateZone::Local;
};
