#pragma once
// The extraction engine: turns a pack's members into files under a target folder,
// with the overwrite policy, progress reports and a stop flag. Questions to the user
// (File Exists, New Name) are callbacks, so the engine has no user interface.
//
// Safety: a member name that is absolute, holds a drive or a `..` component is refused
// and nothing is written for it; a member whose blocks do not inflate makes the pack
// corrupt and the half-written file is removed, as is a member cut short by a stop. A
// member that replaces an existing file is written beside it and renamed over it only
// when complete, so until then the old copy stays. Memory stays fixed: one block buffer
// of kMaxBlockStored bytes and one of kMaxBlockInflated bytes, reading strictly forwards.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "designpack/payload.hpp"
#include "shell/general/file_descriptor.hpp"

namespace pw::designpack {

// What to do with existing files for the rest of a run (shared with runtime unpacking).
enum class OverwritePolicy { ask, replaceAll, skipAll };

// The answers of the File Exists dialog; `closed` is its close box (stops the run).
enum class FileExistsAnswer { replace, skip, replaceAll, skipAll, rename, closed };

// State shared by one installer run: the policy, the stop flag and the callbacks the
// dialog supplies. Callbacks may be empty: no File Exists callback means "skip",
// no New Name callback means "cancelled", no status/progress callback means silence.
struct ExtractionSession {
    OverwritePolicy policy = OverwritePolicy::ask;
    // Set by the File Exists close box, or from another thread when the user closes the
    // installer; checked after each block.
    std::atomic<bool> stop{false};

    // File Exists question about `path` (the full path of the existing file).
    std::function<FileExistsAnswer(const std::filesystem::path& path)> askFileExists;
    // "New Name" save dialog proposing `proposed`; the chosen path, or nullopt when cancelled.
    std::function<std::optional<std::filesystem::path>(const std::filesystem::path& proposed)> askNewName;
    // Status line, e.g. "  inflating: temp311.htx".
    std::function<void(const std::string& text)> status;
    // Progress after each member: done of total, with the member's name.
    std::function<void(std::uint32_t done, std::uint32_t total, const std::string& text)> progress;
};

struct OutputFileAccess;

// A file being written by the engine. Until finish() or close() succeeds the file is
// incomplete, and destroying the object removes it, so no partial member stays behind.
// A file that replaces another is written under a temporary name beside it and renamed
// over it by finish() or close(); destroying it first leaves the other file as it was.
class OutputFile {
public:
    OutputFile(OutputFile&& other) noexcept = default;
    OutputFile& operator=(OutputFile&& other) noexcept;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    // Appends all of `bytes`; errno code on failure.
    std::error_code write(std::span<const std::uint8_t> bytes);
    // Sets the modification time from a DOS date and time taken as UTC (access time
    // left alone), closes and keeps the file.
    std::error_code finish(std::uint16_t dosDate, std::uint16_t dosTime);
    // Closes and keeps the file with the times the writes gave it. A replacing file is
    // synced first, then renamed over the file it replaces. On failure nothing is kept.
    std::error_code close();

    // Where the file is kept.
    const std::filesystem::path& path() const { return path_; }

private:
    friend struct OutputFileAccess;
    OutputFile(FileDescriptor created, std::filesystem::path path)
        : created_(std::move(created)), path_(std::move(path)) {}
    explicit OutputFile(ReplacingFile replacing) : replacing_(std::move(replacing)), path_(replacing_.destination()) {}
    int fd() const { return replacing_.valid() ? replacing_.get() : created_.get(); }
    void discard();
    FileDescriptor created_;   // a new file, written where it is kept
    ReplacingFile replacing_;  // a file that replaces another, written beside it
    std::filesystem::path path_;
};

// How CreateOutputFile ended.
enum class CreateOutcome {
    created,      // `file` holds the new, empty file
    folderEntry,  // the name ends in '/': its folders were made, no file
    skipped,      // the file exists and the policy or the user said skip
    stopped,      // the user closed the File Exists dialog; the session's stop flag is now set
    refusedName,  // the name would leave the target folder (absolute, drive, `..`) or is empty
    failed,       // the file could not be created; `error` says why
};

struct CreatedFile {
    CreateOutcome outcome = CreateOutcome::failed;
    std::optional<OutputFile> file;  // only when outcome == created
    std::error_code error;           // only when outcome == failed
};

// The path `name` stands for under `target`: components split at '\' and '/', empty
// and "." components dropped. nullopt when the name is empty, starts with a separator,
// holds a ':' (a drive or stream), a `..` component or a NUL byte. A trailing separator
// is kept (the name is a folder entry).
std::optional<std::filesystem::path> ResolveMemberPath(const std::filesystem::path& target, std::string_view name);

// True when `name` denotes a folder (ends in '/' or '\').
bool IsFolderEntry(std::string_view name);

// The file `name` stands for under `target`: ResolveMemberPath, with a folder entry
// refused as well. Every name from a pack or a server that becomes a file goes through it.
std::optional<std::filesystem::path> ResolveFileName(const std::filesystem::path& target, std::string_view name);

// Makes every folder along `name` under `target` (outer first; existing or unmakeable
// ones passed over), then creates the file only if it does not exist yet, with mode
// 0666 less the umask, less the write bits when `attributes` has kAttrReadOnly.
// An existing file is replaced (the new one written beside it, see OutputFile) when
// `overwrite` is set or the policy is replaceAll,
// skipped when the policy is skipAll, and otherwise the File Exists question decides
// (replaceAll/skipAll also change the session's policy; rename asks New Name and
// tries the chosen path, asking again when it exists too; closed sets the stop flag).
CreatedFile CreateOutputFile(const std::filesystem::path& target, std::string_view name, std::uint8_t attributes,
                             bool overwrite, ExtractionSession& session);

// A new file to be written beside the existing (or missing) `path` and renamed over it
// once complete (see OutputFile): `path` itself changes only then. Its mode is that of
// CreateOutputFile. A folder at `path` gives is_a_directory; creation failures their errno.
CreatedFile CreateReplacingFile(const std::filesystem::path& path, std::uint8_t attributes);

// Inflates member 0 (the pack's .ico) into `icon`. Icons larger than kMaxIconBytes
// give std::errc::file_too_large (the pack is still usable, just without its icon).
inline constexpr std::size_t kMaxIconBytes = 1 << 20;
std::error_code ExtractIcon(ByteSource& source, const Catalog& catalog, std::vector<std::uint8_t>& icon);

// A member that was not written, and why.
struct PassedOver {
    std::string name;
    CreateOutcome reason = CreateOutcome::failed;
    std::error_code error;
};

struct ExtractReport {
    bool stopped = false;  // the stop flag ended the walk early (a member cut short is removed)
    std::vector<PassedOver> passedOver;
};

// Extracts members 1..N-1 into `target` in catalog order: for each, CreateOutputFile
// (overwrite without asking when the pack's flags say so), status "  inflating: <name>",
// inflate, modification time from the record, progress (i + 1, N, name), yield, and stop
// when the session's stop flag is set. A stop set while a member is written ends the walk
// after the current block and removes that member (a file it replaces keeps its old copy). Members that cannot be created are passed over
// and listed in `report`. A block that is not one complete zlib stream inflating to at
// most kMaxBlockInflated bytes gives PackErrc::corrupt (files written so far stay, the
// current one is removed); a failed read gives its error. Precondition: `catalog` came
// from ReadPayload on this `source`.
std::error_code ExtractAll(ByteSource& source, const Catalog& catalog, const std::filesystem::path& target,
                           ExtractionSession& session, ExtractReport& report);

// Deletes the files of members 1..N-1 under `target` by their names (folder entries and
// refused names are left alone; files already gone are fine). Returns the first other error.
std::error_code DeleteExtracted(const Catalog& catalog, const std::filesystem::path& target);

}  // namespace pw::designpack
