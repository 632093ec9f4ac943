// SPDX-License-Identifier: MIT
#pragma once

#include "filesystemcalls.h"
#include "outcome.h"
#include "stagedcopy.h"

#include <QString>

// The file copy behind modMain::CopyFileTo: one file, one target name, an
// existing target replaced whole or, with failIfExists, left alone. A run
// never replaces a file and does not use it: it stages the bytes of a copy
// (StagedCopy) under names TargetNames chooses.
namespace filecopy {

using Staging = StagedCopy::Staging;

// Copies the file at source to target as modMain::CopyFileTo describes, staging
// the content as asked, through the given file-system calls. Succeeds when the
// copy was made; fails with the reason, and nothing created or changed,
// otherwise.
[[nodiscard]] Outcome<void> copyFile(const QString &source, const QString &target,
                                     bool failIfExists, Staging staging,
                                     FileSystemCalls &calls = FileSystemCalls::system());

} // namespace filecopy
