#pragma once

#include <unistd.h>
#include <utility>

// A file descriptor, closed when it goes: the only place where one is closed.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd(fd) {}
    FileDescriptor(FileDescriptor &&other) noexcept : fd(other.release()) {}
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    FileDescriptor &operator=(FileDescriptor &&other) noexcept
    {
        if (this != &other) {
            close();
            fd = other.release();
        }
        return *this;
    }
    ~FileDescriptor() { close(); }

    explicit operator bool() const { return fd >= 0; }
    int get() const { return fd; }
    int release() { return std::exchange(fd, -1); }
    // False, with errno set, when closing it fails, as writing to a full disk may.
    bool close() { return fd < 0 || ::close(release()) == 0; }

private:
    int fd;
};
