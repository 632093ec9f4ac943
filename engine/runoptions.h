// SPDX-License-Identifier: MIT
#pragma once

#include "messagedate.h"
#include "nametemplate.h"
#include "namingscheme.h"

#include <optional>

// Which folder below the destination a message's copy goes to.
enum class Layout
{
    Full,     // the source's whole folder path recreated below the destination
    Relative, // only the path below the row's root (ConversionHost::rowRoot)
    Flat,     // the destination itself, for every message
};

// Which modification time a copy gets.
enum class FileTime
{
    Source,  // the source file's (a message of a mailbox: its date, else the mailbox's)
    Message, // the message's date, the one its name gets; else as Source
};

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

    // Read once, before the first row: every row's target folder must be
    // known then to find the copies of an earlier run.
    Layout layout = Layout::Full;
    FileTime fileTime = FileTime::Source;
};
