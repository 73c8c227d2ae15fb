#include "designpack/runtime.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <ctime>
#include <string>
#include <fstream>

#include "designpack/script.hpp"

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

std::string ReadScript(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string script(kMaxScriptBytes, '\0');
    in.read(script.data(), static_cast<std::streamsize>(script.size()));
    script.resize(static_cast<std::size_t>(in.gcount()));
    return script;
}

}  // namespace

std::string FileVersionText(const fs::path& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) return {};
    std::tm date{};
    if (!::gmtime_r(&info.st_atim.tv_sec, &date)) return {};
    return std::to_string(date.tm_mon + 1) + '/' + std::to_string(date.tm_mday) + '/' + std::to_string(date.tm_year + 1900);
}

bool RequirementHolds(const Requirement& requirement, const fs::path& systemFolder, const KeyStore& keys) {
    std::string_view name = requirement.name;
    if (name.starts_with('#')) return keys.KeyExists(KeyRoot::System, name.substr(1));
    if (name.starts_with('~')) return keys.KeyExists(KeyRoot::User, name.substr(1));
    fs::path file = InSystemFolder(systemFolder, name);
    if (!OpensForReading(file)) return false;
    return requirement.value.empty() || FileVersionText(file) == requirement.value;
}

bool RequirementMet(const RuntimeComponent& component, const fs::path& systemFolder, const KeyStore& keys) {
    return std::ranges::any_of(component.requirements,
                               [&](const Requirement& r) { return RequirementHolds(r, systemFolder, keys); });
}

std::string UnsupportedRuntimeMessage(std::string_view identifier, std::string_view publisherName) {
    std::string_view contact = publisherName.empty() ? "the developer of this package" : publisherName;
    return "The installation package is requesting a runtime file which is not supported (id=" + std::string(identifier) +
           ").  Please contact " + std::string(contact) + ".";
}

bool OfferRuntimeDownload(const RuntimeComponent& component, RuntimeContext& context) {
    RuntimeUi& ui = context.ui;
    if (!ui.AskYesNo("This installation requires " + component.description +
                         ".  Would you like to download and install the required runtime now?",
                     "Unfurl"))
        return false;
    ui.SetProgress(0, 100);
    ui.SetStatus("Preparing for download....");

    // The identifier comes from the pack: it may only name a file inside the folder.
    std::optional<fs::path> file = ResolveFileName(context.folder, component.identifier);
    if (!file) {
        ui.ShowMessage(HttpFailureMessage(PackErrc::unsafeName), "Error", true);
        return false;
    }
    const fs::path& scriptFile = *file;
    auto fetched = HttpFetch(context.makerServer, ScriptRequestPath(component.identifier), scriptFile, {}, 0,
                             context.http, WebPages::refuse);
    if (!fetched && fetched.error() == HttpErrc::webPage) {
        ui.ShowMessage(UnsupportedRuntimeMessage(component.identifier, context.publisherName), "Error", true);
        return false;
    }
    if (!fetched) {
        ui.ShowMessage(HttpFailureMessage(fetched.error()), "Error", true);
        return false;
    }
    std::string script = ReadScript(scriptFile);
    std::error_code ignored;
    fs::remove(scriptFile, ignored);
    return RunScript(script, component.identifier, context);
}

}  // namespace pw::designpack
