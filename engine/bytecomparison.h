// SPDX-License-Identifier: MIT
#pragma once

#include "messagebytes.h"

#include <cstddef>
#include <optional>
#include <sys/types.h>

// Whether a file holds exactly a message's bytes, read the way a rerun needs
// it: a rerun compares every message with its earlier copy, so these reads are
// most of what a rerun costs. Both sides are read in large blocks with pread
// (nothing moves a descriptor's offset). The files are not mapped: a file
// another program truncates while it is mapped would end the process with
// SIGBUS, and destinations are shared with whatever else writes there.
//
// Safe to call from any thread: each thread reads into buffers of its own.
namespace bytecomparison {

// What a comparison found.
struct Finding
{
    bool same = false;
    // The hash of the file's first block (fingerprintOf's block), when that
    // block could be read; bytes whose fingerprint differs are other bytes.
    std::optional<size_t> fingerprint;
};

// Compares the first `size` bytes of the file open at fd (its size, as its
// status gave it) with bytes. Files of another length than bytes.length are
// never the same and are not read. A read that fails or ends early on either
// side answers "not the same": what cannot be compared to its end is never
// taken for a copy.
[[nodiscard]] Finding compare(int fd, off_t size, const MessageBytes &bytes);

// The hash of bytes' first block, as compare() gives it for a file holding
// them; nullopt when they cannot be read.
[[nodiscard]] std::optional<size_t> fingerprintOf(const MessageBytes &bytes);

} // namespace bytecomparison
