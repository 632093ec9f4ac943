// SPDX-License-Identifier: MIT
#pragma once

#include "namingscheme.h"

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
};
