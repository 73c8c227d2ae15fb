// mkdesignpack: builds a design pack from the installer stub, an icon and a folder of
// design files. Members are the folder's files in byte order of their names, so the
// same folder, options and stub always give the same pack.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "designpack/pack_writer.hpp"
#include "shell/general/file_descriptor.hpp"

namespace fs = std::filesystem;
using namespace pw::designpack;

namespace {

constexpr const char* kUsage = R"(Usage: mkdesignpack [options] FOLDER

Builds a design pack: the stub program followed by every file under FOLDER
(names relative to FOLDER, sorted) and the installer settings.

Required:
  --stub FILE          the designpack installer program
  --icon FILE          the pack's icon (.ico), member 0
  --output FILE        the pack to write (made executable)
Settings:
  --caption TEXT       window caption (at most 79 bytes)
  --prompt TEXT        text shown before the user starts
  --publisher TEXT     publisher name
  --target TEXT        default target folder ("." = the current folder)
  --run COMMAND        command run after installation
  --web ADDRESS        web address shown as a link (at most 79 bytes)
  --component "ID|DESCRIPTION|name=value;name=value;"
                       a runtime component (repeatable, at most 5)
  --password TEXT      password the user must type
Flags:
  --delete-after-run   delete the extracted files after the command has run
  --overwrite          overwrite existing files without asking
  --silent             no dialog, extract at once into the current folder
  --fixed-paths        the user may choose only the drive
Reproducibility:
  --time "YYYY-MM-DD HH:MM:SS"
                       time stamp of every member (UTC); default: each file's
                       modification time
  --level N            zlib compression level 0-9 (default 9)
  --help               this text
)";

struct Options {
    fs::path stub, icon, output, folder;
    PackContents contents;
    std::optional<std::chrono::sys_seconds> fixedTime;
    WriterOptions writer;
};

struct DosStamp {
    std::uint16_t date, time;
};

// DOS date and time of a UTC time, clamped to the years DOS can hold (1980-2107).
DosStamp ToDos(std::chrono::sys_seconds when) {
    using namespace std::chrono;
    const auto day = floor<days>(when);
    year_month_day ymd{day};
    const hh_mm_ss clock{when - day};
    const int year = std::clamp(int(ymd.year()), 1980, 2107);
    if (year != int(ymd.year()))
        return {static_cast<std::uint16_t>((year - 1980) << 9 | (year == 1980 ? 0x21 : 0x19F)), 0};
    return {static_cast<std::uint16_t>((year - 1980) << 9 | unsigned(ymd.month()) << 5 | unsigned(ymd.day())),
            static_cast<std::uint16_t>(clock.hours().count() << 11 | clock.minutes().count() << 5 |
                                       clock.seconds().count() / 2)};
}

std::optional<std::chrono::sys_seconds> ParseTime(const std::string& text) {
    int y, mo, d, h, mi, s;
    char extra;
    if (std::sscanf(text.c_str(), "%d-%d-%d%*[ T]%d:%d:%d%c", &y, &mo, &d, &h, &mi, &s, &extra) != 6)
        return std::nullopt;
    using namespace std::chrono;
    const year_month_day date{year{y}, month{unsigned(mo)}, day{unsigned(d)}};
    if (!date.ok() || h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 || s > 59) return std::nullopt;
    return sys_days{date} + hours{h} + minutes{mi} + seconds{s};
}

std::optional<RuntimeComponent> ParseComponent(const std::string& text) {
    const std::size_t first = text.find('|');
    const std::size_t second = first == std::string::npos ? first : text.find('|', first + 1);
    if (second == std::string::npos) return std::nullopt;
    RuntimeComponent component{text.substr(0, first), text.substr(first + 1, second - first - 1), {}};
    if (ParseRequirementList(std::string_view(text).substr(second + 1), component.requirements)) return std::nullopt;
    return component;
}

[[noreturn]] void Fail(const std::string& message) {
    std::cerr << "mkdesignpack: " << message << "\n";
    std::exit(2);
}

// Reads the command line; exits with a message on any mistake.
Options ParseArguments(int argc, char** argv) {
    Options o;
    PackSettings& s = o.contents.settings;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) Fail(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--help") {
            std::cout << kUsage;
            std::exit(0);
        } else if (arg == "--stub")
            o.stub = value();
        else if (arg == "--icon")
            o.icon = value();
        else if (arg == "--output")
            o.output = value();
        else if (arg == "--caption")
            s.caption = value();
        else if (arg == "--prompt")
            s.prompt = value();
        else if (arg == "--publisher")
            s.publisherName = value();
        else if (arg == "--target")
            s.defaultTarget = value();
        else if (arg == "--run")
            s.runAfter = value();
        else if (arg == "--web")
            s.webAddress = value();
        else if (arg == "--password")
            o.contents.passwordCheck = PackPasswordHash(value());
        else if (arg == "--delete-after-run")
            o.contents.flags.bits |= PackFlags::kDeleteAfterRun;
        else if (arg == "--overwrite")
            o.contents.flags.bits |= PackFlags::kOverwrite;
        else if (arg == "--silent")
            o.contents.flags.bits |= PackFlags::kSilent;
        else if (arg == "--fixed-paths")
            o.contents.flags.bits |= PackFlags::kFixedPaths;
        else if (arg == "--component") {
            const std::string text = value();
            const auto component = ParseComponent(text);
            if (!component) Fail("component \"" + text + "\" is not ID|DESCRIPTION|name=value;...");
            o.contents.components.push_back(*component);
        } else if (arg == "--time") {
            const std::string text = value();
            o.fixedTime = ParseTime(text);
            if (!o.fixedTime) Fail("time \"" + text + "\" is not YYYY-MM-DD HH:MM:SS");
        } else if (arg == "--level") {
            const std::string text = value();
            if (text.size() != 1 || text[0] < '0' || text[0] > '9') Fail("level must be 0 to 9");
            o.writer.compressionLevel = text[0] - '0';
        } else if (arg.starts_with("--"))
            Fail("unknown option " + arg + " (see --help)");
        else if (o.folder.empty())
            o.folder = arg;
        else
            Fail("only one FOLDER may be given");
    }
    if (o.stub.empty() || o.icon.empty() || o.output.empty() || o.folder.empty())
        Fail("--stub, --icon, --output and FOLDER are required (see --help)");
    return o;
}

std::chrono::sys_seconds ModificationTime(const fs::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) Fail("cannot read " + path.string() + ": " + pw::LastError().message());
    return std::chrono::sys_seconds{std::chrono::seconds{info.st_mtime}};
}

PackMember MakeMember(const fs::path& file, std::string name, const Options& o, bool folder) {
    const DosStamp stamp = ToDos(o.fixedTime.value_or(ModificationTime(file)));
    std::uint8_t attributes = kAttrArchive;
    if (!folder && (fs::status(file).permissions() & fs::perms::owner_write) == fs::perms::none)
        attributes |= kAttrReadOnly;
    MemberRecord record{std::move(name), 0, attributes, stamp.date, stamp.time, stamp.date, stamp.time};
    if (folder) return {std::move(record), std::vector<std::uint8_t>{}};
    return {std::move(record), file};
}

// The icon first, then every file under the folder (and every empty folder as a
// folder entry), sorted by name with '/' between folder levels.
std::vector<PackMember> CollectMembers(const Options& o) {
    std::error_code error;
    if (!fs::is_directory(o.folder, error)) Fail(o.folder.string() + " is not a folder");
    std::vector<std::pair<std::string, bool>> names;  // name, is folder entry
    for (auto it = fs::recursive_directory_iterator(o.folder, error); !error && it != fs::end(it);
         it.increment(error)) {
        const std::string name = it->path().lexically_relative(o.folder).generic_string();
        if (it->is_regular_file())
            names.emplace_back(name, false);
        else if (it->is_directory() && fs::is_empty(it->path()))
            names.emplace_back(name + "/", true);
    }
    if (error) Fail("cannot list " + o.folder.string() + ": " + error.message());
    std::sort(names.begin(), names.end());

    std::vector<PackMember> members;
    members.push_back(MakeMember(o.icon, o.icon.filename().string(), o, false));
    for (const auto& [name, folder] : names) members.push_back(MakeMember(o.folder / name, name, o, folder));
    return members;
}

}  // namespace

int main(int argc, char** argv) {
    Options o = ParseArguments(argc, argv);
    o.contents.stub = o.stub;
    o.contents.members = CollectMembers(o);
    std::string offending;
    if (const std::error_code problem = ValidatePack(o.contents, &offending))
        Fail(problem.message() + (offending.empty() ? "" : ": \"" + offending + "\""));

    std::ofstream out(o.output, std::ios::binary | std::ios::trunc);
    if (!out) Fail("cannot write " + o.output.string() + ": " + pw::LastError().message());
    std::error_code error = WritePack(o.contents, out, o.writer);
    out.close();
    if (!error && !out) error = std::make_error_code(std::errc::io_error);
    if (!error)
        fs::permissions(o.output,
                        fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                            fs::perms::others_exec,
                        error);
    if (error) {
        std::error_code ignored;  // the message below says what went wrong; a leftover would only add to it
        fs::remove(o.output, ignored);
        Fail("writing " + o.output.string() + " failed: " + error.message());
    }
    return 0;
}
