#include "designpack/script.hpp"

#include <minizip/unzip.h>

#include <charconv>
#include <memory>
#include <set>
#include <string>
#include <system_error>

#include "designpack/runtime_process.hpp"
#include "designpack/text.hpp"

namespace pw::designpack {

namespace fs = std::filesystem;

std::string ScriptRequestPath(std::string_view identifier) {
    return "/cgi-sys/cgiwrap/zip/getScript.pl?id=" + std::string(identifier);
}

std::string AlternateDownloadPath(std::string_view server, std::string_view path, std::string_view identifier) {
    return "/cgi-sys/cgiwrap/zip/ftp_error.pl?server=" + std::string(server) + "&fileURL=" + std::string(path) +
           "&id=" + std::string(identifier);
}

std::string ScriptErrorPath(std::string_view identifier, std::string_view verb, std::string_view argument) {
    return "/cgi-sys/cgiwrap/zip/scriptError.pl?id=" + std::string(identifier) + "&verb=" + std::string(verb) +
           "&parms=" + std::string(argument);
}

ScriptLine ParseScriptLine(std::string_view line) {
    ScriptLine parsed;
    bool first = true;
    for (std::size_t start = 0;;) {
        std::size_t space = line.find(' ', start);
        std::string word(line.substr(start, space - start));  // npos - start runs to the end
        if (first) {
            parsed.command = UpperCased(word);
            first = false;
        } else {
            parsed.arguments.push_back(std::move(word));
        }
        if (space == std::string_view::npos) break;
        start = space + 1;
    }
    return parsed;
}

namespace {

constexpr std::size_t kUnzipChunk = 16 * 1024;
constexpr std::string_view kDownloadFailed = "Download failed.  Try again later.";

std::error_code Stopped() { return std::make_error_code(std::errc::operation_canceled); }

// minizip's results as reasons.
class ZipCategory final : public std::error_category {
public:
    const char* name() const noexcept override { return "zip archive"; }
    std::string message(int value) const override {
        switch (value) {
            case UNZ_ERRNO: return "the archive could not be read";
            case UNZ_PARAMERROR: return "bad parameter to the ZIP reader";
            case UNZ_BADZIPFILE: return "not a ZIP archive, or it could not be opened";
            case UNZ_INTERNALERROR: return "internal error of the ZIP reader";
            case UNZ_CRCERROR: return "an entry's check value is wrong";
        }
        return "ZIP reader error " + std::to_string(value);
    }
};

std::error_code ZipError(int result) {
    static const ZipCategory category;
    return {result, category};
}

// The size a DOWNLOAD line gives for the progress bar: its leading decimal digits.
pw::Result<std::uint64_t> ParseSize(std::string_view text) {
    std::uint64_t size = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), size);
    if (error != std::errc()) return pw::Fail(std::make_error_code(error));
    return size;
}

struct ZipCloser {
    void operator()(void* zip) const { unzClose(zip); }
};
using ZipHandle = std::unique_ptr<void, ZipCloser>;

class ScriptRun {
public:
    ScriptRun(std::string_view identifier, RuntimeContext& context) : identifier_(identifier), context_(context) {}

    // Carries out one parsed line; a failure ends the script.
    pw::Result<void> Perform(const ScriptLine& line) {
        const std::string& command = line.command;
        if (command == "DOWNLOAD")
            return Download(Argument(line, 0), Argument(line, 1), Argument(line, 2), Argument(line, 3));
        if (command == "RUN")
            Run(Argument(line, 0));
        else if (command == "UNZIP")
            Unzip(Argument(line, 0));
        else if (command == "DELETE")
            context_.ui.ShowMessage("delete", "", false);
        else if (command == "REBOOT")
            context_.ui.ShowMessage("reboot", "", false);
        else
            context_.ui.ShowMessage(command, "not a command", false);
        return {};
    }

private:
    static std::string Argument(const ScriptLine& line, std::size_t index) {
        return index < line.arguments.size() ? line.arguments[index] : std::string();
    }

    // A failure other than a stop has been shown when this returns.
    pw::Result<void> Download(const std::string& server, const std::string& path, const std::string& file,
                              const std::string& size) {
        auto fetched = FetchFromEitherServer(server, path, file, size);
        if (!fetched && fetched.error() != std::errc::operation_canceled)
            context_.ui.ShowMessage(kDownloadFailed, "Error", true);
        return fetched;
    }

    // `path` from `server`, or else from the maker's alternate; the reason of the last try.
    pw::Result<void> FetchFromEitherServer(const std::string& server, const std::string& path, const std::string& file,
                                           const std::string& size) {
        RuntimeUi& ui = context_.ui;
        // The name comes off the network: it may only name a file inside the folder.
        std::optional<fs::path> target = ResolveFileName(context_.folder, file);
        if (!target) return pw::Fail(PackErrc::unsafeName);
        ui.SetStatus("Downloading...");
        auto progress = [&ui](std::uint64_t received, std::uint64_t total) { ui.SetProgress(received, total); };
        // A size that is no number leaves the bar's total unknown.
        auto fetched =
            HttpFetch(server, path, *target, progress, ParseSize(size).value_or(0), context_.http, WebPages::refuse);
        if (!fetched && fetched.error() != std::errc::operation_canceled) {
            ui.SetStatus("Attempting alternate server for download....");
            ui.SetProgress(0, 100);
            fetched = HttpFetch(context_.makerServer, AlternateDownloadPath(server, path, identifier_), *target, {}, 0,
                                context_.http, WebPages::refuse);
        }
        if (fetched) downloaded_.insert(target->lexically_normal());
        return fetched;
    }

    void Run(const std::string& command) {
        MakeDownloadedProgramRunnable(command);
        RuntimeUi& ui = context_.ui;
        bool hidden = false;
        auto started = RunAndWait({command}, context_.folder, [&] {
            ui.HideWindow();
            hidden = true;
        });
        if (hidden) ui.ShowWindow();
        if (!started) Report("Run", command);
    }

    // Files fetched here arrive without the execute bit a program needs on this
    // system; a RUN line naming one gives it to the owner. Should that fail, the RUN
    // fails and is reported.
    void MakeDownloadedProgramRunnable(const std::string& command) {
        std::optional<fs::path> file = ResolveFileName(context_.folder, command);
        if (!file || !downloaded_.contains(file->lexically_normal())) return;
        std::error_code ignored;
        fs::permissions(*file, fs::perms::owner_exec, fs::perm_options::add, ignored);
    }

    void Unzip(const std::string& archiveName) {
        auto unpacked = UnzipInto(context_.folder / "temp", archiveName);
        if (!unpacked && unpacked.error() != std::errc::operation_canceled) Report("Unzip", archiveName);
    }

    // Unpacks every entry of folder/archiveName into `into`, stopping early on a stop;
    // the reason when the archive cannot be opened or read, or an entry fails.
    pw::Result<void> UnzipInto(const fs::path& into, const std::string& archiveName) {
        std::error_code ignored;  // a folder that cannot be made fails the first entry
        fs::create_directories(into, ignored);
        std::optional<fs::path> archive = ResolveFileName(context_.folder, archiveName);
        if (!archive) return pw::Fail(PackErrc::unsafeName);
        ZipHandle zip(unzOpen64(archive->c_str()));
        if (!zip) return pw::Fail(ZipError(UNZ_BADZIPFILE));
        int rc = unzGoToFirstFile(zip.get());
        for (; rc == UNZ_OK; rc = unzGoToNextFile(zip.get())) {
            if (auto entry = UnzipEntry(zip.get(), into); !entry) return entry;
            if (context_.session.stop) return pw::Fail(Stopped());
        }
        if (rc != UNZ_END_OF_LIST_OF_FILE) return pw::Fail(ZipError(rc));
        return {};
    }

    // Writes the current entry under `into` with the output-file creation of the pack's
    // members (the run's overwrite policy applies).
    pw::Result<void> UnzipEntry(void* zip, const fs::path& into) {
        unz_file_info64 info{};
        if (int rc = unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0); rc != UNZ_OK)
            return pw::Fail(ZipError(rc));
        std::string name(info.size_filename, '\0');
        if (int rc = unzGetCurrentFileInfo64(zip, &info, name.data(), name.size(), nullptr, 0, nullptr, 0);
            rc != UNZ_OK)
            return pw::Fail(ZipError(rc));

        CreatedFile created = CreateOutputFile(into, name, 0, false, context_.session);
        switch (created.outcome) {
            case CreateOutcome::folderEntry:
            case CreateOutcome::skipped:
            case CreateOutcome::stopped: return {};
            case CreateOutcome::refusedName: return pw::Fail(PackErrc::unsafeName);
            case CreateOutcome::failed: return pw::Fail(created.error);
            case CreateOutcome::created: break;
        }
        if (int rc = unzOpenCurrentFile(zip); rc != UNZ_OK) return pw::Fail(ZipError(rc));
        std::error_code error = CopyEntry(zip, *created.file);
        // unzCloseCurrentFile reports a CRC mismatch once the entry has been read through.
        if (int rc = unzCloseCurrentFile(zip); !error && rc != UNZ_OK) error = ZipError(rc);
        if (!error) error = created.file->close();
        if (error) return pw::Fail(error);  // an unfinished entry goes with `created`
        return {};
    }

    // Copies the open entry into `file`; a stop ends it after the chunk under way.
    std::error_code CopyEntry(void* zip, OutputFile& file) {
        std::vector<std::uint8_t> buffer(kUnzipChunk);
        for (;;) {
            int got = unzReadCurrentFile(zip, buffer.data(), static_cast<unsigned>(buffer.size()));
            if (got < 0) return ZipError(got);
            if (got == 0) return {};
            if (auto error = file.write({buffer.data(), static_cast<std::size_t>(got)})) return error;
            if (context_.session.stop) return Stopped();
        }
    }

    // Tells the maker's server what failed: the request names the verb and argument
    // only, and its answer is not used. An identifier that names no file in the folder
    // has no place for the answer: no report.
    void Report(std::string_view verb, std::string_view argument) {
        std::optional<fs::path> answer = ResolveFileName(context_.folder, identifier_);
        if (!answer) return;
        (void)HttpFetch(context_.makerServer, ScriptErrorPath(identifier_, verb, argument), *answer, {}, 0,
                        context_.http);
        std::error_code ignored;  // an answer that cannot be deleted only stays behind
        fs::remove(*answer, ignored);
    }

    std::string identifier_;
    RuntimeContext& context_;
    std::set<fs::path> downloaded_;
};

}  // namespace

pw::Result<void> RunScript(std::string_view script, std::string_view identifier, RuntimeContext& context) {
    script = script.substr(0, kMaxScriptBytes);
    ScriptRun run(identifier, context);
    while (!script.empty()) {
        if (context.session.stop) return pw::Fail(Stopped());
        std::size_t end = script.find('\n');
        std::string_view line = script.substr(0, end);
        if (line.empty()) break;
        if (auto done = run.Perform(ParseScriptLine(line)); !done) return done;
        if (end == std::string_view::npos) break;
        script.remove_prefix(end + 1);
    }
    return {};
}

}  // namespace pw::designpack
