#pragma once
// Chunked file copy with progress, the way the start-up window and the picture
// browser bring files into a site folder.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "shell/general/result.hpp"

namespace pw {

inline constexpr std::size_t kCopyBlockSize = 1024;

struct CopyCallbacks {
    // Asked when the destination already exists, with the question's full text.
    // true: use the existing file; false: decline.
    std::function<bool(const std::string& question)> useExisting;
    // Progress 0..100 after each block, then 0 when the copy ends.
    std::function<void(int percent)> progress;
};

enum class CopyOutcome {
    Copied,        // destination now holds the source's bytes
    UsedExisting,  // destination existed and the user chose to keep it
    Declined,      // destination existed and the user said no
};

// Copies in blocks of kCopyBlockSize through an AtomicFile. A failure (a missing or
// unreadable source, a full disk) is returned with its reason and leaves nothing at the
// destination; an empty source gives an empty destination.
Result<CopyOutcome> CopyFile(const std::filesystem::path& source, const std::filesystem::path& destination,
                             const CopyCallbacks& callbacks);

// Saves `bytes` as the new file `destination` through an AtomicFile, asking first as
// CopyFile does when it exists. Progress is not reported: the bytes are written at once.
Result<CopyOutcome> SaveNewFile(std::string_view bytes, const std::filesystem::path& destination,
                                const CopyCallbacks& callbacks);

// The question shown when the destination exists.
std::string ExistingFileQuestion(const std::filesystem::path& destination);

}  // namespace pw
