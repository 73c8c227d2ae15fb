#include "shell/general/file_descriptor.hpp"

#include <cerrno>
#include <unistd.h>
#include <utility>

namespace pw {

std::error_code LastError() { return {errno, std::generic_category()}; }

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.Release();
    }
    return *this;
}

FileDescriptor::~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
}

std::error_code FileDescriptor::Close() {
    if (fd_ < 0) return {};
    return ::close(Release()) == 0 ? std::error_code{} : LastError();
}

int FileDescriptor::Release() noexcept { return std::exchange(fd_, -1); }

std::error_code WriteAll(int fd, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return LastError();
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return {};
}

std::error_code ReadSome(int fd, void* data, std::size_t size, std::size_t& count) {
    while (true) {
        const ssize_t read = ::read(fd, data, size);
        if (read >= 0) {
            count = static_cast<std::size_t>(read);
            return {};
        }
        if (errno != EINTR) return LastError();
    }
}

}  // namespace pw
