#include "shell/general/files.hpp"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "shell/general/text.hpp"
#include "shell/general/text_encoding.hpp"

namespace pw {
namespace fs = std::filesystem;

namespace {

std::string FoldedName(std::string_view name) { return LowerUtf8(DecodeLenient(name)); }

bool Exists(const fs::path& path) {
    std::error_code ignored;  // an entry we cannot even stat is treated as absent
    return fs::exists(fs::symlink_status(path, ignored));
}

}  // namespace

Result<std::string> ReadWholeFile(const fs::path& path) {
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.valid()) return Fail(LastError());
    std::string bytes;
    char buffer[1 << 16];
    while (true) {
        std::size_t count = 0;
        if (auto error = ReadSome(file.get(), buffer, sizeof buffer, count)) return Fail(error);
        if (count == 0) return bytes;
        bytes.append(buffer, count);
    }
}

Result<AtomicFile> AtomicFile::Create(const fs::path& destination, fs::perms perms) {
    ReplacingFile file;
    if (auto error = ReplacingFile::Create(destination, 0600, file)) return Fail(error);
    return AtomicFile(std::move(file), perms);
}

Result<void> AtomicFile::Write(std::string_view bytes) {
    if (auto error = WriteAll(file_.get(), bytes)) return Fail(error);
    return {};
}

Result<void> AtomicFile::Commit() {
    if (::fchmod(file_.get(), static_cast<mode_t>(perms_ & fs::perms::mask)) != 0) {
        const std::error_code error = LastError();
        file_.Discard();
        return Fail(error);
    }
    if (auto error = file_.Commit()) return Fail(error);
    return {};
}

Result<void> SaveFileAtomically(const fs::path& path, std::string_view bytes, fs::perms perms) {
    auto file = AtomicFile::Create(path, perms);
    if (!file) return Fail(file.error());
    if (auto written = file->Write(bytes); !written) return written;
    return file->Commit();
}

Result<std::optional<std::string>> FindIgnoringCase(const fs::path& folder, std::string_view name) {
    const std::string wanted = FoldedName(name);
    std::optional<std::string> best;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::string candidate = it->path().filename().string();
        if (FoldedName(candidate) == wanted && (!best || candidate < *best)) best = std::move(candidate);
    }
    if (error) return Fail(error);
    return best;
}

fs::path ResolveInFolder(const fs::path& folder, std::string_view name) {
    fs::path exact = folder / fs::path(name);
    if (name.empty() || name.find('/') != std::string_view::npos || Exists(exact)) return exact;
    if (const auto match = FindIgnoringCase(folder, name); match && *match) return folder / **match;
    return exact;
}

std::filesystem::path HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    const passwd* user = ::getpwuid(::getuid());
    return user && user->pw_dir ? user->pw_dir : "";
}

}  // namespace pw
