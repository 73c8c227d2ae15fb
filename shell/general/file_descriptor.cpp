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

std::error_code ReplacingFile::Create(const std::filesystem::path& destination, mode_t mode, ReplacingFile& file) {
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    file.Discard();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = "." + destination.filename().string() + ".";
        for (int i = 0; i < 6; ++i) name += kLetters[pick(random)];
        const std::filesystem::path temporary = destination.parent_path() / name;
        int fd;
        do {
            fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        } while (fd < 0 && errno == EINTR);
        if (fd >= 0) {
            file.file_ = FileDescriptor(fd);
            file.temporary_ = temporary;
            file.destination_ = destination;
            return {};
        }
        if (errno != EEXIST) return LastError();
    }
    return std::make_error_code(std::errc::file_exists);
}

ReplacingFile& ReplacingFile::operator=(ReplacingFile&& other) noexcept {
    if (this != &other) {
        Discard();
        file_ = std::move(other.file_);
        temporary_ = std::move(other.temporary_);
        destination_ = std::move(other.destination_);
    }
    return *this;
}

ReplacingFile::~ReplacingFile() { Discard(); }

void ReplacingFile::Discard() {
    if (!file_.valid()) return;
    file_.Close();
    ::unlink(temporary_.c_str());
}

std::error_code ReplacingFile::Commit() {
    std::error_code error;
    if (::fsync(file_.get()) != 0) error = LastError();
    if (const std::error_code closed = file_.Close(); !error) error = closed;
    if (!error && std::rename(temporary_.c_str(), destination_.c_str()) != 0) error = LastError();
    if (error) {
        ::unlink(temporary_.c_str());
        return error;
    }
    // Best effort: the new file is in place, and some file systems refuse to sync a folder.
    const std::filesystem::path folder = destination_.has_parent_path() ? destination_.parent_path() : ".";
    FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid()) ::fsync(dir.get());
    return {};
}

}  // namespace pw
