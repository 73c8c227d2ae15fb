#include "shell/general/copy_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>

#include <array>
#include <optional>

#include "shell/general/files.hpp"

namespace pw {
namespace fs = std::filesystem;

namespace {

void Report(const CopyCallbacks& callbacks, int percent) {
    if (callbacks.progress) callbacks.progress(percent);
}

Result<void> CopyBlocks(int source, std::uintmax_t total, AtomicFile& destination, const CopyCallbacks& callbacks) {
    std::array<char, kCopyBlockSize> block{};
    std::uintmax_t written = 0;
    while (written < total) {
        std::size_t count = 0;
        if (auto error = ReadSome(source, block.data(), block.size(), count)) return Fail(error);
        if (count == 0) return Fail(std::make_error_code(std::errc::io_error));  // the source shrank meanwhile
        if (auto saved = destination.Write(std::string_view(block.data(), count)); !saved) return saved;
        written += count;
        Report(callbacks, static_cast<int>(100 - (total - std::min(written, total)) * 100 / total));
    }
    return destination.Commit();
}

// The user's answer when `destination` exists already; nothing when it does not.
std::optional<CopyOutcome> AnswerForExisting(const fs::path& destination, const CopyCallbacks& callbacks) {
    std::error_code ec;
    if (!fs::exists(destination, ec)) return std::nullopt;
    const bool useIt = callbacks.useExisting && callbacks.useExisting(ExistingFileQuestion(destination));
    return useIt ? CopyOutcome::UsedExisting : CopyOutcome::Declined;
}

}  // namespace

std::string ExistingFileQuestion(const fs::path& destination) {
    return destination.string() + "\n\nFile already exists in your web page directory. Do you want use it?";
}

Result<CopyOutcome> CopyFile(const fs::path& source, const fs::path& destination, const CopyCallbacks& callbacks) {
    if (const auto answer = AnswerForExisting(destination, callbacks)) return *answer;
    FileDescriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat status {};
    if (!in.valid() || ::fstat(in.get(), &status) != 0) return Fail(LastError());
    if (S_ISDIR(status.st_mode)) return Fail(std::make_error_code(std::errc::is_a_directory));

    auto out = AtomicFile::Create(destination);
    Result<void> copied =
        out ? CopyBlocks(in.get(), static_cast<std::uintmax_t>(status.st_size), *out, callbacks) : Fail(out.error());
    Report(callbacks, 0);
    if (!copied) return Fail(copied.error());
    return CopyOutcome::Copied;
}

Result<CopyOutcome> SaveNewFile(std::string_view bytes, const fs::path& destination, const CopyCallbacks& callbacks) {
    if (const auto answer = AnswerForExisting(destination, callbacks)) return *answer;
    if (auto saved = SaveFileAtomically(destination, bytes); !saved) return Fail(saved.error());
    return CopyOutcome::Copied;
}

}  // namespace pw
