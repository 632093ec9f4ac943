// SPDX-License-Identifier: MIT
#pragma once

#include <unistd.h>
#include <utility>

// An open file descriptor, closed when its owner goes.
class FileDescriptor
{
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    FileDescriptor(FileDescriptor &&other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    FileDescriptor &operator=(FileDescriptor &&other) noexcept
    {
        std::swap(m_fd, other.m_fd);
        return *this;
    }

    [[nodiscard]] bool isOpen() const { return m_fd >= 0; }
    [[nodiscard]] int get() const { return m_fd; }
    // Closes now and returns what close() returns (errno set on -1), so that a
    // deferred write error, as network file systems report them, is not lost.
    [[nodiscard]] int close() { return ::close(std::exchange(m_fd, -1)); }

private:
    int m_fd;
};
