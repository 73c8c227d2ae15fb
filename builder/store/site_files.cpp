#include "builder/store/site_files.hpp"

#include "builder/store/rtf.hpp"
#include "builder/store/text_encoding.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>

namespace pw::store {
namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

// Owns a POSIX file descriptor.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now so that a failing close (a delayed write error) can be reported.
    std::error_code Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0 ? std::error_code{} : LastError();
    }

private:
    int fd_;
};

// Lower case for the letters of Latin, Greek and Cyrillic scripts; others unchanged.
char32_t FoldCase(char32_t c) {
    if (c >= 'A' && c <= 'Z') return c + 0x20;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c | 1;  // upper case is even
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c + 1 : c;
    if (c == 0x178) return 0xFF;
    if (c == 0x386) return 0x3AC;  // Greek capitals with tonos
    if (c >= 0x388 && c <= 0x38A) return c + 0x25;
    if (c == 0x38C) return 0x3CC;
    if (c == 0x38E || c == 0x38F) return c + 0x3F;
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 0x20;
    if (c >= 0x410 && c <= 0x42F) return c + 0x20;
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;
    return c;
}

std::string FoldedName(std::string_view name) {
    const std::string text = DecodeLenient(name);
    std::string folded;
    for (std::size_t pos = 0; pos < text.size();) AppendUtf8(folded, FoldCase(NextCodePoint(text, pos)));
    return folded;
}

bool Exists(const fs::path& path) {
    std::error_code ignored;  // an entry we cannot even stat is treated as absent
    return fs::exists(fs::symlink_status(path, ignored));
}

// The name of the entry of `folder` equal to `name` without regard to case; the
// alphabetically first one when several are.
std::optional<std::string> FindIgnoringCase(const fs::path& folder, std::string_view name) {
    const std::string wanted = FoldedName(name);
    std::optional<std::string> best;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::string candidate = it->path().filename().string();
        if (FoldedName(candidate) == wanted && (!best || candidate < *best)) best = std::move(candidate);
    }
    return best;
}

std::error_code WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return LastError();
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return {};
}

// Fills the freshly created temporary file and makes it durable before it is renamed.
std::error_code FillTemporary(FileDescriptor& file, std::string_view bytes, fs::perms perms) {
    if (auto error = WriteAll(file.get(), bytes)) return error;
    if (::fchmod(file.get(), static_cast<mode_t>(perms & fs::perms::mask)) != 0) return LastError();
    if (::fsync(file.get()) != 0) return LastError();
    return file.Close();
}

// Makes a completed rename durable. Best effort: the new file is already in place,
// and some file systems refuse to sync a folder.
void SyncFolder(const fs::path& folder) {
    FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid()) ::fsync(dir.get());
}

}  // namespace

fs::path ResolveInFolder(const fs::path& folder, std::string_view name) {
    fs::path exact = folder / fs::path(name);
    if (name.empty() || name.find('/') != std::string_view::npos || Exists(exact)) return exact;
    if (auto match = FindIgnoringCase(folder, name)) return folder / *match;
    return exact;
}

fs::path ResolveRelative(const fs::path& base, std::string_view relative) {
    fs::path current = base;
    while (!relative.empty()) {
        const std::size_t end = std::min(relative.find_first_of("\\/"), relative.size());
        if (end > 0) current = ResolveInFolder(current, relative.substr(0, end));
        relative.remove_prefix(std::min(end + 1, relative.size()));
    }
    return current;
}

fs::path SiteFilePath(const fs::path& inst, std::string_view siteFolder, std::string_view fileName) {
    return ResolveInFolder(ResolveInFolder(inst, siteFolder), fileName);
}

std::expected<std::string, std::error_code> ReadWholeFile(const fs::path& path) {
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.valid()) return std::unexpected(LastError());
    std::string bytes;
    char buffer[1 << 16];
    while (true) {
        const ssize_t count = ::read(file.get(), buffer, sizeof buffer);
        if (count == 0) return bytes;
        if (count < 0 && errno != EINTR) return std::unexpected(LastError());
        if (count > 0) bytes.append(buffer, static_cast<std::size_t>(count));
    }
}

std::expected<void, std::error_code> SaveFileAtomically(const fs::path& path, std::string_view bytes, fs::perms perms) {
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    std::string temporary = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
    FileDescriptor file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!file.valid()) return std::unexpected(LastError());
    std::error_code error = FillTemporary(file, bytes, perms);
    if (!error && std::rename(temporary.c_str(), path.c_str()) != 0) error = LastError();
    if (error) {
        ::unlink(temporary.c_str());
        return std::unexpected(error);
    }
    SyncFolder(folder);
    return {};
}

PageFiles PageFilesFor(std::string_view pageWord) {
    if (pageWord == "two") return {"twoBox.txt", "rtemp2.txt", "rtemp32.txt"};
    if (pageWord == "three") return {"threeBox.txt", "rtemp3.txt", "rtemp33.txt"};
    return {"oneBox.txt", "rtemp1.txt", "rtemp31.txt"};
}

std::expected<void, std::error_code> SaveSection(const fs::path& path, std::string_view text) {
    return SaveFileAtomically(path, WriteRtf(text));
}

std::expected<std::string, std::error_code> LoadSection(const fs::path& path) {
    auto bytes = ReadWholeFile(path);
    if (!bytes) return std::unexpected(bytes.error());
    return RtfPlainText(*bytes);
}

std::expected<void, std::error_code> WriteHandOver(const fs::path& siteFolderPath, std::string_view text) {
    std::string bytes(text);
    bytes += "\r\n";
    return SaveFileAtomically(ResolveInFolder(siteFolderPath, kHandOverFile), bytes);
}

std::error_code DeleteHandOver(const fs::path& siteFolderPath) {
    std::error_code error;
    fs::remove(ResolveInFolder(siteFolderPath, kHandOverFile), error);  // absent is fine: returns false, no error
    return error;
}

}  // namespace pw::store
