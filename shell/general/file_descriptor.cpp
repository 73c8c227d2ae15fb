#include "shell/general/file_descriptor.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>
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

std::error_code CreateBeside(const std::filesystem::path& destination, mode_t mode, FileDescriptor& file,
                             std::filesystem::path& temporary) {
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = "." + destination.filename().string() + ".";
        for (int i = 0; i < 6; ++i) name += kLetters[pick(random)];
        temporary = destination.parent_path() / name;
        int fd;
        do {
            fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        } while (fd < 0 && errno == EINTR);
        if (fd >= 0) {
            file = FileDescriptor(fd);
            return {};
        }
        if (errno != EEXIST) return LastError();
    }
    return std::make_error_code(std::errc::file_exists);
}

std::error_code ReplaceWith(FileDescriptor& file, const std::filesystem::path& temporary,
                            const std::filesystem::path& destination) {
    std::error_code error;
    if (::fsync(file.get()) != 0) error = LastError();
    if (const std::error_code closed = file.Close(); !error) error = closed;
    if (!error && std::rename(temporary.c_str(), destination.c_str()) != 0) error = LastError();
    if (error) {
        ::unlink(temporary.c_str());
        return error;
    }
    // Best effort: the new file is in place, and some file systems refuse to sync a folder.
    const std::filesystem::path folder = destination.has_parent_path() ? destination.parent_path() : ".";
    FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid()) ::fsync(dir.get());
    return {};
}

}  // namespace pw
