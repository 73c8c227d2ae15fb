#include "designpack/script.hpp"

#include <minizip/unzip.h>

#include <algorithm>
#include <charconv>
#include <memory>
#include <set>

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

struct ZipCloser {
    void operator()(void* zip) const { unzClose(zip); }
};
using ZipHandle = std::unique_ptr<void, ZipCloser>;

class ScriptRun {
public:
    ScriptRun(std::string_view identifier, RuntimeContext& context) : identifier_(identifier), context_(context) {}

    // Carries out one parsed line; false ends the script with failure.
    bool Perform(const ScriptLine& line) {
        const std::string& command = line.command;
        if (command == "DOWNLOAD") return Download(Argument(line, 0), Argument(line, 1), Argument(line, 2), Argument(line, 3));
        if (command == "RUN") Run(Argument(line, 0));
        else if (command == "UNZIP") Unzip(Argument(line, 0));
        else if (command == "DELETE") context_.ui.ShowMessage("delete", "", false);
        else if (command == "REBOOT") context_.ui.ShowMessage("reboot", "", false);
        else context_.ui.ShowMessage(command, "not a command", false);
        return true;
    }

private:
    static std::string Argument(const ScriptLine& line, std::size_t index) {
        return index < line.arguments.size() ? line.arguments[index] : std::string();
    }

    static std::uint64_t ParseSize(std::string_view text) {
        std::uint64_t size = 0;
        std::from_chars(text.data(), text.data() + text.size(), size);
        return size;
    }

    bool Download(const std::string& server, const std::string& path, const std::string& file, const std::string& size) {
        RuntimeUi& ui = context_.ui;
        // The name comes off the network: it may only name a file inside the folder.
        std::optional<fs::path> target = ResolveFileName(context_.folder, file);
        if (!target) {
            ui.ShowMessage("Download failed.  Try again later.", "Error", true);
            return false;
        }
        std::uint64_t expected = ParseSize(size);
        ui.SetStatus("Downloading...");
        auto progress = [&ui](std::uint64_t received, std::uint64_t total) { ui.SetProgress(received, total); };
        if (!HttpFetch(server, path, *target, progress, expected, context_.http, WebPages::refuse)) {
            ui.SetStatus("Attempting alternate server for download....");
            ui.SetProgress(0, 100);
            std::string alternate = AlternateDownloadPath(server, path, identifier_);
            if (!HttpFetch(context_.makerServer, alternate, *target, {}, 0, context_.http, WebPages::refuse)) {
                ui.ShowMessage("Download failed.  Try again later.", "Error", true);
                return false;
            }
        }
        downloaded_.insert(target->lexically_normal());
        return true;
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
    // system; a RUN line naming one gives it to the owner.
    void MakeDownloadedProgramRunnable(const std::string& command) {
        std::optional<fs::path> file = ResolveFileName(context_.folder, command);
        if (!file || !downloaded_.contains(file->lexically_normal())) return;
        std::error_code ignored;
        fs::permissions(*file, fs::perms::owner_exec, fs::perm_options::add, ignored);
    }

    void Unzip(const std::string& archiveName) {
        if (!UnzipInto(context_.folder / "temp", archiveName)) {
            Report("Unzip", archiveName);
        }
    }

    // Unpacks every entry of folder/archiveName into `into`; false when the archive
    // cannot be opened or an entry fails.
    bool UnzipInto(const fs::path& into, const std::string& archiveName) {
        std::error_code ignored;
        fs::create_directories(into, ignored);
        std::optional<fs::path> archive = ResolveMemberPath(context_.folder, archiveName);
        if (!archive) return false;
        ZipHandle zip(unzOpen64(archive->c_str()));
        if (!zip) return false;
        for (int rc = unzGoToFirstFile(zip.get()); rc == UNZ_OK; rc = unzGoToNextFile(zip.get())) {
            if (!UnzipEntry(zip.get(), into)) return false;
            if (context_.session.stop) return true;
        }
        return true;
    }

    bool UnzipEntry(void* zip, const fs::path& into) {
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) return false;
        std::string name(info.size_filename, '\0');
        if (unzGetCurrentFileInfo64(zip, &info, name.data(), name.size(), nullptr, 0, nullptr, 0) != UNZ_OK) return false;

        CreatedFile created = CreateOutputFile(into, name, 0, false, context_.session);
        switch (created.outcome) {
            case CreateOutcome::folderEntry:
            case CreateOutcome::skipped:
            case CreateOutcome::stopped: return true;
            case CreateOutcome::refusedName:
            case CreateOutcome::failed: return false;
            case CreateOutcome::created: break;
        }
        if (unzOpenCurrentFile(zip) != UNZ_OK) return false;
        std::vector<std::uint8_t> buffer(kUnzipChunk);
        int got = 0;
        while ((got = unzReadCurrentFile(zip, buffer.data(), static_cast<unsigned>(buffer.size()))) > 0) {
            if (created.file->write({buffer.data(), static_cast<std::size_t>(got)})) {
                unzCloseCurrentFile(zip);
                return false;
            }
        }
        // unzCloseCurrentFile reports a CRC mismatch once the entry has been read through.
        if (unzCloseCurrentFile(zip) != UNZ_OK || got < 0) return false;
        return !created.file->close();
    }

    // Tells the maker's server what failed; its answer is not used.
    // An identifier that names no file in the folder has no place for the answer: no report.
    void Report(std::string_view verb, std::string_view argument) {
        std::optional<fs::path> answer = ResolveFileName(context_.folder, identifier_);
        if (!answer) return;
        (void)HttpFetch(context_.makerServer, ScriptErrorPath(identifier_, verb, argument), *answer, {}, 0, context_.http);
        std::error_code ignored;
        fs::remove(*answer, ignored);
    }

    std::string identifier_;
    RuntimeContext& context_;
    std::set<fs::path> downloaded_;
};

}  // namespace

bool RunScript(std::string_view script, std::string_view identifier, RuntimeContext& context) {
    script = script.substr(0, kMaxScriptBytes);
    ScriptRun run(identifier, context);
    while (!script.empty()) {
        std::size_t end = script.find('\n');
        std::string_view line = script.substr(0, end);
        if (line.empty()) break;
        if (!run.Perform(ParseScriptLine(line))) return false;
        if (end == std::string_view::npos) break;
        script.remove_prefix(end + 1);
    }
    return true;
}

}  // namespace pw::designpack
