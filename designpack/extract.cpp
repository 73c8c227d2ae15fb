#include "designpack/extract.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <utility>

namespace pw::designpack {

namespace fs = std::filesystem;

namespace {

// The components of a member name, or nullopt when the name must be refused.
struct SplitName {
    std::vector<std::string_view> components;
    bool folderEntry = false;
};

std::optional<SplitName> SplitMemberName(std::string_view name) {
    if (name.empty() || name.front() == '/' || name.front() == '\\') return std::nullopt;
    if (name.find(':') != std::string_view::npos || name.find('\0') != std::string_view::npos) return std::nullopt;
    SplitName split;
    split.folderEntry = IsFolderEntry(name);
    while (!name.empty()) {
        const std::size_t end = std::min(name.find_first_of("/\\"), name.size());
        const std::string_view component = name.substr(0, end);
        name.remove_prefix(std::min(end + 1, name.size()));
        if (component == "..") return std::nullopt;
        if (!component.empty() && component != ".") split.components.push_back(component);
    }
    if (split.components.empty()) return std::nullopt;
    return split;
}

fs::path PathUnder(const fs::path& target, const SplitName& split) {
    fs::path path = target;
    for (const std::string_view component : split.components) path /= component;
    if (split.folderEntry) path += "/";
    return path;
}

// Creates target/c1, target/c1/c2, ... for the first `count` components; folders that
// exist or cannot be made are passed over (creating the file reports the failure).
void MakeFolders(const fs::path& target, const std::vector<std::string_view>& components, std::size_t count) {
    fs::path folder = target;
    for (std::size_t i = 0; i < count; ++i) {
        folder /= components[i];
        ::mkdir(folder.c_str(), 0777);
    }
}

// The permissions a member's DOS attributes give its file (before the umask).
mode_t ModeOf(std::uint8_t attributes) { return (attributes & kAttrReadOnly) ? 0444 : 0666; }

// Opens `path` for writing into `fd` only if it does not exist yet.
std::error_code CreateExclusive(const fs::path& path, std::uint8_t attributes, int& fd) {
    const mode_t mode = ModeOf(attributes);
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd < 0 ? LastError() : std::error_code{};
}

// What to do with an existing file.
enum class Decision { replace, skip, stop, rename };

Decision DecideOnExisting(const fs::path& path, bool overwrite, ExtractionSession& session) {
    if (overwrite || session.policy == OverwritePolicy::replaceAll) return Decision::replace;
    if (session.policy == OverwritePolicy::skipAll || !session.askFileExists) return Decision::skip;
    switch (session.askFileExists(path)) {
        case FileExistsAnswer::replace: return Decision::replace;
        case FileExistsAnswer::skip: return Decision::skip;
        case FileExistsAnswer::replaceAll: session.policy = OverwritePolicy::replaceAll; return Decision::replace;
        case FileExistsAnswer::skipAll: session.policy = OverwritePolicy::skipAll; return Decision::skip;
        case FileExistsAnswer::rename: return Decision::rename;
        case FileExistsAnswer::closed: session.stop = true; return Decision::stop;
    }
    return Decision::skip;
}

std::chrono::sys_seconds DosToSysTime(std::uint16_t dosDate, std::uint16_t dosTime) {
    using namespace std::chrono;
    const unsigned month = std::clamp((dosDate >> 5) & 0x0Fu, 1u, 12u);
    const year_month_day firstOfMonth{year{1980 + (dosDate >> 9)}, std::chrono::month{month}, day{1}};
    // Day 0 and days past the month's end count on from the first, as the file time
    // conversion does; hours, minutes and seconds likewise.
    const sys_days date = sys_days{firstOfMonth} + days{int(dosDate & 0x1F) - 1};
    return date + hours{dosTime >> 11} + minutes{(dosTime >> 5) & 0x3F} + seconds{2 * (dosTime & 0x1F)};
}

}  // namespace

// Builds OutputFile objects for the engine (the constructor is private).
struct OutputFileAccess {
    static OutputFile make(FileDescriptor created, fs::path path) {
        return OutputFile(std::move(created), std::move(path));
    }
    static OutputFile make(ReplacingFile replacing) { return OutputFile(std::move(replacing)); }
};

namespace {

CreatedFile Failed(std::error_code error) { return {CreateOutcome::failed, std::nullopt, error}; }

// Creates `path` (a path chosen by the engine or the user, already vetted), resolving
// an existing file as the policy and the questions say.
CreatedFile CreateAt(fs::path path, std::uint8_t attributes, bool overwrite, ExtractionSession& session) {
    for (;;) {
        int fd = -1;
        const std::error_code error = CreateExclusive(path, attributes, fd);
        if (!error) return {CreateOutcome::created, OutputFileAccess::make(FileDescriptor(fd), std::move(path)), {}};
        if (error != std::errc::file_exists) return Failed(error);
        switch (DecideOnExisting(path, overwrite, session)) {
            case Decision::skip: return {CreateOutcome::skipped, std::nullopt, {}};
            case Decision::stop: return {CreateOutcome::stopped, std::nullopt, {}};
            case Decision::replace: return CreateReplacingFile(path, attributes);
            case Decision::rename:
                std::optional<fs::path> chosen = session.askNewName ? session.askNewName(path) : std::nullopt;
                if (chosen) path = std::move(*chosen);
                overwrite = false;
                break;
        }
    }
}

// Reads blocks forwards from the member area into two fixed buffers and inflates them.
class BlockInflater {
public:
    BlockInflater(ByteSource& source, std::uint64_t offset)
        : source_(source), offset_(offset), input_(kMaxBlockStored), output_(kMaxBlockInflated) {}

    // Inflates the member of `storedSize` bytes at the read position, handing each
    // block's bytes to `sink`; the position ends after the member either way. Errors of
    // the data (PackErrc::corrupt) or of reading come back as `error`; the first error
    // of `sink` comes back as `sinkError` and ends the member there.
    template <typename Sink>
    void inflateMember(std::uint32_t storedSize, Sink&& sink, std::error_code& error, std::error_code& sinkError) {
        const std::uint64_t end = offset_ + storedSize;
        while (!error && !sinkError && offset_ < end) {
            std::span<const std::uint8_t> block;
            error = nextBlock(end, block);
            if (!error) sinkError = sink(block);
        }
        offset_ = end;
    }

    void skip(std::uint32_t storedSize) { offset_ += storedSize; }

private:
    std::error_code nextBlock(std::uint64_t memberEnd, std::span<const std::uint8_t>& inflated) {
        std::uint8_t header[2];
        if (auto error = source_.readAt(offset_, header)) return error;
        const std::size_t length = header[0] | header[1] << 8;
        if (length == 0 || length > kMaxBlockStored || length + 2 > memberEnd - offset_) return PackErrc::corrupt;
        const std::span<std::uint8_t> input(input_.data(), length);
        if (auto error = source_.readAt(offset_ + 2, input)) return error;
        offset_ += 2 + length;

        uLongf outLength = kMaxBlockInflated;
        uLong inLength = length;
        // The block must be exactly one complete zlib stream that fits the buffer.
        if (::uncompress2(output_.data(), &outLength, input.data(), &inLength) != Z_OK || inLength != length)
            return PackErrc::corrupt;
        inflated = std::span<const std::uint8_t>(output_.data(), outLength);
        return {};
    }

    ByteSource& source_;
    std::uint64_t offset_;
    std::vector<std::uint8_t> input_;
    std::vector<std::uint8_t> output_;
};

// Writes one member into `file`. Returns the data's error (the pack is broken) and sets
// `writeError` when the file could not take the bytes, or to operation_canceled when
// `stop` was set during a block (that block is written, the member is not finished).
std::error_code InflateInto(BlockInflater& inflater, const MemberRecord& member, OutputFile& file,
                            const std::atomic<bool>& stop, std::error_code& writeError) {
    std::error_code dataError;
    inflater.inflateMember(
        member.storedSize,
        [&](std::span<const std::uint8_t> bytes) {
            if (auto error = file.write(bytes)) return error;
            return stop ? std::make_error_code(std::errc::operation_canceled) : std::error_code{};
        },
        dataError, writeError);
    if (!dataError && !writeError) writeError = file.finish(member.modifiedDate, member.modifiedTime);
    return dataError;
}

}  // namespace

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
    if (this != &other) {
        discard();
        created_ = std::move(other.created_);
        replacing_ = std::move(other.replacing_);
        path_ = std::move(other.path_);
    }
    return *this;
}

OutputFile::~OutputFile() { discard(); }

void OutputFile::discard() {
    replacing_.Discard();
    if (!created_.valid()) return;
    created_.Close();
    ::unlink(path_.c_str());
}

std::error_code OutputFile::write(std::span<const std::uint8_t> bytes) {
    return WriteAll(fd(), bytes.data(), bytes.size());
}

std::error_code OutputFile::finish(std::uint16_t dosDate, std::uint16_t dosTime) {
    const auto modified = DosToSysTime(dosDate, dosTime).time_since_epoch().count();
    const struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(modified), 0}};
    if (::futimens(fd(), times) != 0) return LastError();
    return close();
}

std::error_code OutputFile::close() {
    // A replacing file takes the old copy's place only once it is safely on disk.
    if (replacing_.valid()) return replacing_.Commit();
    const std::error_code error = created_.Close();
    if (error) ::unlink(path_.c_str());
    return error;
}

CreatedFile CreateReplacingFile(const fs::path& path, std::uint8_t attributes) {
    // A folder of that name is never taken away.
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode))
        return Failed(std::make_error_code(std::errc::is_a_directory));
    ReplacingFile file;
    if (auto error = ReplacingFile::Create(path, ModeOf(attributes), file)) return Failed(error);
    return {CreateOutcome::created, OutputFileAccess::make(std::move(file)), {}};
}

bool IsFolderEntry(std::string_view name) { return !name.empty() && (name.back() == '/' || name.back() == '\\'); }

std::optional<fs::path> ResolveMemberPath(const fs::path& target, std::string_view name) {
    const std::optional<SplitName> split = SplitMemberName(name);
    if (!split) return std::nullopt;
    return PathUnder(target, *split);
}

std::optional<fs::path> ResolveFileName(const fs::path& target, std::string_view name) {
    if (IsFolderEntry(name)) return std::nullopt;
    return ResolveMemberPath(target, name);
}

CreatedFile CreateOutputFile(const fs::path& target, std::string_view name, std::uint8_t attributes, bool overwrite,
                             ExtractionSession& session) {
    const std::optional<SplitName> split = SplitMemberName(name);
    if (!split) return {CreateOutcome::refusedName, std::nullopt, {}};
    const std::size_t folders = split->components.size() - (split->folderEntry ? 0 : 1);
    MakeFolders(target, split->components, folders);
    if (split->folderEntry) return {CreateOutcome::folderEntry, std::nullopt, {}};
    return CreateAt(PathUnder(target, *split), attributes, overwrite, session);
}

std::error_code ExtractIcon(ByteSource& source, const Catalog& catalog, std::vector<std::uint8_t>& icon) {
    icon.clear();
    BlockInflater inflater(source, catalog.memberAreaOffset);
    std::error_code dataError;
    std::error_code sizeError;
    inflater.inflateMember(
        catalog.members.at(0).storedSize,
        [&](std::span<const std::uint8_t> bytes) -> std::error_code {
            if (icon.size() + bytes.size() > kMaxIconBytes) return std::make_error_code(std::errc::file_too_large);
            icon.insert(icon.end(), bytes.begin(), bytes.end());
            return {};
        },
        dataError, sizeError);
    if (dataError || sizeError) icon.clear();
    return dataError ? dataError : sizeError;
}

std::error_code ExtractAll(ByteSource& source, const Catalog& catalog, const fs::path& target,
                           ExtractionSession& session, ExtractReport& report) {
    report = {};
    const auto total = static_cast<std::uint32_t>(catalog.members.size());
    BlockInflater inflater(source, catalog.memberAreaOffset);
    inflater.skip(catalog.members.at(0).storedSize);
    for (std::uint32_t i = 1; i < total; ++i) {
        const MemberRecord& member = catalog.members[i];
        CreatedFile created =
            CreateOutputFile(target, member.name, member.attributes, catalog.flags.overwriteWithoutAsking(), session);
        if (created.file) {
            if (session.status) session.status("  inflating: " + member.name);
            std::error_code writeError;
            if (auto dataError = InflateInto(inflater, member, *created.file, session.stop, writeError))
                return dataError;
            if (writeError == std::errc::operation_canceled) {
                report.stopped = true;
                return {};  // the unfinished member goes with `created`
            }
            if (writeError) report.passedOver.push_back({member.name, CreateOutcome::failed, writeError});
        } else {
            inflater.skip(member.storedSize);
            if (created.outcome != CreateOutcome::folderEntry)
                report.passedOver.push_back({member.name, created.outcome, created.error});
        }
        if (session.progress) session.progress(i + 1, total, member.name);
        std::this_thread::yield();
        if (session.stop) {
            report.stopped = true;
            return {};
        }
    }
    return {};
}

std::error_code DeleteExtracted(const Catalog& catalog, const fs::path& target) {
    std::error_code first;
    for (std::size_t i = 1; i < catalog.members.size(); ++i) {
        const std::optional<fs::path> path = ResolveFileName(target, catalog.members[i].name);
        if (!path) continue;
        if (::unlink(path->c_str()) != 0 && errno != ENOENT && !first) first = LastError();
    }
    return first;
}

}  // namespace pw::designpack
