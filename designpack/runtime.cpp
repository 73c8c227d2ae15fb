#include "designpack/runtime.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>

#include "designpack/script.hpp"
#include "shell/general/file_descriptor.hpp"

namespace pw::designpack {

namespace fs = std::filesystem;

namespace {

// systemFolder + `\` + name, with the name's `\` read as folder separators and a
// leading separator not turning it into an absolute path.
fs::path InSystemFolder(const fs::path& systemFolder, std::string_view name) {
    std::string relative(name);
    std::ranges::replace(relative, '\\', '/');
    std::size_t start = relative.find_first_not_of('/');
    return systemFolder / (start == std::string::npos ? std::string() : relative.substr(start));
}

bool OpensForReading(const fs::path& file) {
    std::error_code ignored;
    if (fs::is_directory(file, ignored)) return false;
    std::ifstream in(file, std::ios::binary);
    return static_cast<bool>(in);
}

// The first kMaxScriptBytes bytes of `file`: all of the script that counts.
pw::Result<std::string> ReadScript(const fs::path& file) {
    std::error_code error;
    std::unique_ptr<FileSource> source = FileSource::open(file, error);
    if (!source) return pw::Fail(error);
    std::string script(static_cast<std::size_t>(std::min<std::uint64_t>(source->size(), kMaxScriptBytes)), '\0');
    if (auto read = source->readAt(0, {reinterpret_cast<std::uint8_t*>(script.data()), script.size()}))
        return pw::Fail(read);
    return script;
}

// The component's script: fetched into the identifier-named file in the folder, read,
// and the file deleted again.
pw::Result<std::string> FetchScript(const RuntimeComponent& component, const RuntimeContext& context) {
    // The identifier comes from the pack: it may only name a file inside the folder.
    std::optional<fs::path> file = ResolveFileName(context.folder, component.identifier);
    if (!file) return pw::Fail(PackErrc::unsafeName);
    auto fetched = HttpFetch(context.makerServer, ScriptRequestPath(component.identifier), *file, {}, 0, context.http,
                             WebPages::refuse);
    if (!fetched) return pw::Fail(fetched.error());
    auto script = ReadScript(*file);
    std::error_code ignored;  // a script file that cannot be deleted only stays behind
    fs::remove(*file, ignored);
    return script;
}

}  // namespace

pw::Result<std::string> FileVersionText(const fs::path& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) return pw::Fail(LastError());
    std::tm date{};
    if (!::gmtime_r(&info.st_atim.tv_sec, &date)) return pw::Fail(std::make_error_code(std::errc::value_too_large));
    return std::to_string(date.tm_mon + 1) + '/' + std::to_string(date.tm_mday) + '/' +
           std::to_string(date.tm_year + 1900);
}

bool RequirementHolds(const Requirement& requirement, const fs::path& systemFolder, const KeyStore& keys) {
    std::string_view name = requirement.name;
    if (name.starts_with('#')) return keys.KeyExists(KeyRoot::System, name.substr(1));
    if (name.starts_with('~')) return keys.KeyExists(KeyRoot::User, name.substr(1));
    fs::path file = InSystemFolder(systemFolder, name);
    if (!OpensForReading(file)) return false;
    if (requirement.value.empty()) return true;
    auto version = FileVersionText(file);
    return version && *version == requirement.value;
}

bool RequirementMet(const RuntimeComponent& component, const fs::path& systemFolder, const KeyStore& keys) {
    return std::ranges::any_of(component.requirements,
                               [&](const Requirement& r) { return RequirementHolds(r, systemFolder, keys); });
}

std::string UnsupportedRuntimeMessage(std::string_view identifier, std::string_view publisherName) {
    std::string_view contact = publisherName.empty() ? "the developer of this package" : publisherName;
    return "The installation package is requesting a runtime file which is not supported (id=" +
           std::string(identifier) + ").  Please contact " + std::string(contact) + ".";
}

pw::Result<void> OfferRuntimeDownload(const RuntimeComponent& component, RuntimeContext& context) {
    RuntimeUi& ui = context.ui;
    if (!ui.AskYesNo("This installation requires " + component.description +
                         ".  Would you like to download and install the required runtime now?",
                     "Unfurl"))
        return pw::Fail(std::make_error_code(std::errc::operation_canceled));
    ui.SetProgress(0, 100);
    ui.SetStatus("Preparing for download....");

    auto script = FetchScript(component, context);
    if (!script) {
        const std::error_code error = script.error();
        if (error == HttpErrc::webPage)
            ui.ShowMessage(UnsupportedRuntimeMessage(component.identifier, context.publisherName), "Error", true);
        else if (error != std::errc::operation_canceled)
            ui.ShowMessage(HttpFailureMessage(error), "Error", true);
        return pw::Fail(error);
    }
    return RunScript(*script, component.identifier, context);
}

}  // namespace pw::designpack
