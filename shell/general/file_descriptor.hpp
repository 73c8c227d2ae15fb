#pragma once
// The program's one owner of POSIX file descriptors and its one write loop. No
// <expected>: the design-pack reader, which the fuzz targets build with clang, uses it.
#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace pw {

// errno as an error code.
std::error_code LastError();

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) noexcept : fd_(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.Release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor();

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now, so that a failing close (a delayed write error) can be reported.
    std::error_code Close();
    // Gives up ownership without closing.
    int Release() noexcept;

private:
    int fd_;
};

// Writes every byte, going on after partial writes and interrupted calls.
std::error_code WriteAll(int fd, const void* data, std::size_t size);
inline std::error_code WriteAll(int fd, std::string_view bytes) { return WriteAll(fd, bytes.data(), bytes.size()); }

// Reads up to `size` bytes, retrying interrupted calls; the count read (0 at the end) or the reason.
std::error_code ReadSome(int fd, void* data, std::size_t size, std::size_t& count);

// Writing a file under a temporary name and putting it in place only when complete, so
// that a crash, a full disk or a stop never leaves a half-written file where it belongs.

// Creates a new, empty file under a hidden name beside `destination` (".name.XXXXXX"),
// opened for writing with `mode` (the umask applies).
std::error_code CreateBeside(const std::filesystem::path& destination, mode_t mode, FileDescriptor& file,
                             std::filesystem::path& temporary);

// Makes `file` durable, closes it, renames `temporary` over `destination` and syncs the
// folder. On failure `destination` is as it was and `temporary` is removed.
std::error_code ReplaceWith(FileDescriptor& file, const std::filesystem::path& temporary,
                            const std::filesystem::path& destination);

}  // namespace pw
