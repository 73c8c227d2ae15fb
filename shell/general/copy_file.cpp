#include "shell/general/copy_file.hpp"

#include <array>
#include <fstream>
#include <system_error>

namespace pw {
namespace fs = std::filesystem;

namespace {

// The copy goes to a hidden temporary beside the destination and is renamed into
// place only when complete, so an error never leaves a partial file behind.
fs::path TemporaryBeside(const fs::path& destination) {
    return destination.parent_path() / ("." + destination.filename().string() + ".partial");
}

bool CopyBlocks(std::ifstream& in, std::ofstream& out, std::uintmax_t total, const CopyCallbacks& callbacks) {
    std::array<char, kCopyBlockSize> block{};
    std::uintmax_t written = 0;
    while (written < total) {
        const std::uintmax_t remaining = total - written;
        const auto size = static_cast<std::streamsize>(std::min<std::uintmax_t>(remaining, kCopyBlockSize));
        if (!in.read(block.data(), size) || !out.write(block.data(), size)) return false;
        written += static_cast<std::uintmax_t>(size);
        if (callbacks.progress) callbacks.progress(static_cast<int>(100 - (total - written) * 100 / total));
    }
    return static_cast<bool>(out.flush());
}

}  // namespace

std::string ExistingFileQuestion(const fs::path& destination) {
    return destination.string() + "\n\nFile already exists in your web page directory. Do you want use it?";
}

CopyOutcome CopyFile(const fs::path& source, const fs::path& destination, const CopyCallbacks& callbacks) {
    std::error_code ec;
    if (fs::exists(destination, ec)) {
        const bool useIt = callbacks.useExisting && callbacks.useExisting(ExistingFileQuestion(destination));
        return useIt ? CopyOutcome::UsedExisting : CopyOutcome::Declined;
    }
    const std::uintmax_t total = fs::file_size(source, ec);
    std::ifstream in(source, std::ios::binary);
    if (ec || !in) return CopyOutcome::Failed;

    const fs::path temporary = TemporaryBeside(destination);
    bool ok = false;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        ok = out && CopyBlocks(in, out, total, callbacks);
    }
    if (ok) fs::rename(temporary, destination, ec);
    if (!ok || ec) {
        fs::remove(temporary, ec);
        ok = false;
    }
    if (callbacks.progress) callbacks.progress(0);
    return ok ? CopyOutcome::Copied : CopyOutcome::Failed;
}

}  // namespace pw
