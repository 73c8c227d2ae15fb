#pragma once
// Owner of a POSIX file descriptor. (Same shape as the shared one the file helpers are
// moving to; this one goes when that lands.)
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace pw::publisher {

// errno as an error code.
inline std::error_code LastError() { return {errno, std::generic_category()}; }

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) noexcept : fd_(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now, so that a failing close (a delayed write error) can be reported.
    std::error_code Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0 ? std::error_code{} : LastError();
    }

private:
    int fd_;
};

}  // namespace pw::publisher
