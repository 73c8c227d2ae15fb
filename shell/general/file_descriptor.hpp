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

// A new file written under a hidden name beside `destination` (".name.XXXXXX") and put in
// its place by Commit only when complete, so that a crash, a full disk or a stop never
// leaves a half-written file where it belongs. Until Commit `destination` stays as it
// was; one dropped without Commit, or whose Commit fails, leaves no temporary behind.
// This is the program's one writer of that kind: AtomicFile (files.hpp) and the design
// pack's output files build on it.
class ReplacingFile {
public:
    // Opens the temporary for writing with `mode` (the umask applies).
    static std::error_code Create(const std::filesystem::path& destination, mode_t mode, ReplacingFile& file);

    ReplacingFile() = default;
    ReplacingFile(ReplacingFile&& other) noexcept = default;
    ReplacingFile& operator=(ReplacingFile&& other) noexcept;
    ~ReplacingFile();

    bool valid() const { return file_.valid(); }
    // For writes, times and modes on the open temporary.
    int get() const { return file_.get(); }
    const std::filesystem::path& destination() const { return destination_; }

    // Makes the file durable, closes it, renames it over the destination and syncs the
    // folder. On failure the destination is as it was and the temporary is removed.
    std::error_code Commit();
    // Closes and removes the temporary; harmless when there is none.
    void Discard();

private:
    FileDescriptor file_;
    std::filesystem::path temporary_;
    std::filesystem::path destination_;
};

}  // namespace pw
