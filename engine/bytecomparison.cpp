// SPDX-License-Identifier: MIT
#include "bytecomparison.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <QByteArrayView>
#include <QHash>
#include <unistd.h>

namespace bytecomparison {

namespace {

// The first block is small, so two files of one size that differ early (most
// do: their headers differ) cost little; the blocks after it are large, so a
// file of many megabytes costs few calls.
constexpr off_t kFirstBlockBytes = off_t(128) << 10;
constexpr off_t kBlockBytes = off_t(1) << 20;

struct Buffers
{
    std::unique_ptr<char[]> theirs = std::make_unique<char[]>(size_t(kBlockBytes));
    std::unique_ptr<char[]> ours = std::make_unique<char[]>(size_t(kBlockBytes));
};

Buffers &buffers()
{
    thread_local Buffers perThread;
    return perThread;
}

bool readFully(int fd, char *buffer, off_t size, off_t offset)
{
    while (size > 0) {
        const ssize_t n = ::pread(fd, buffer, size_t(size), offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        buffer += n;
        size -= n;
        offset += n;
    }
    return true;
}

size_t hashOf(const char *data, off_t size)
{
    return qHash(QByteArrayView(data, qsizetype(size)));
}

} // namespace

Finding compare(int fd, off_t size, const MessageBytes &bytes)
{
    Finding finding;
    if (size != bytes.length)
        return finding;
    Buffers &buffer = buffers();
    for (off_t done = 0; done < bytes.length;) {
        const off_t n = std::min(done == 0 ? kFirstBlockBytes : kBlockBytes, bytes.length - done);
        if (!readFully(fd, buffer.theirs.get(), n, done))
            return finding;
        if (done == 0)
            finding.fingerprint = hashOf(buffer.theirs.get(), n);
        if (!readFully(bytes.descriptor, buffer.ours.get(), n, bytes.offset + done) ||
            std::memcmp(buffer.theirs.get(), buffer.ours.get(), size_t(n)) != 0)
            return finding;
        done += n;
    }
    finding.same = true;
    return finding;
}

std::optional<size_t> fingerprintOf(const MessageBytes &bytes)
{
    const off_t n = std::min(kFirstBlockBytes, bytes.length);
    Buffers &buffer = buffers();
    if (!readFully(bytes.descriptor, buffer.ours.get(), n, bytes.offset))
        return std::nullopt;
    return hashOf(buffer.ours.get(), n);
}

} // namespace bytecomparison
