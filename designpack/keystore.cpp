#include "designpack/keystore.hpp"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>

#include "shell/general/files.hpp"

namespace pw::designpack {

namespace fs = std::filesystem;

namespace {

// "Software/Foo\\Bar\\" -> "software\\foo\\bar": one spelling for comparing keys.
std::string NormalisedKey(std::string_view key) {
    std::string out;
    for (char c : key) {
        char level = c == '/' ? '\\' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (level == '\\' && (out.empty() || out.back() == '\\')) continue;
        out += level;
    }
    if (!out.empty() && out.back() == '\\') out.pop_back();
    return out;
}

bool IsSameOrBelow(const std::string& listed, const std::string& key) {
    return listed == key || (listed.size() > key.size() && listed.starts_with(key) && listed[key.size()] == '\\');
}

fs::path AutostartFile(std::string_view name) { return ConfigHome() / "autostart" / (std::string(name) + ".desktop"); }

}  // namespace

fs::path ConfigHome() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg) return xdg;
    const char* home = std::getenv("HOME");
    return fs::path(home ? home : "") / ".config";
}

KeyStore KeyStore::ForCurrentUser() { return KeyStore(ConfigHome() / "designpack" / "keys"); }

fs::path KeyStore::FileFor(KeyRoot root) const {
    return folder_ / (root == KeyRoot::System ? "system.keys" : "user.keys");
}

bool KeyStore::KeyExists(KeyRoot root, std::string_view key) const {
    std::string wanted = NormalisedKey(key);
    if (wanted.empty()) return true;  // the root itself always opens
    std::ifstream in(FileFor(root));
    std::string line;
    while (std::getline(in, line)) {
        if (IsSameOrBelow(NormalisedKey(line), wanted)) return true;
    }
    return false;
}

pw::Result<void> KeyStore::CreateKey(KeyRoot root, std::string_view key) const {
    if (key.find_first_of("\r\n") != std::string_view::npos)
        return pw::Fail(std::make_error_code(std::errc::invalid_argument));
    std::error_code error;
    fs::create_directories(folder_, error);
    if (error) return pw::Fail(error);
    auto keys = ReadWholeFile(FileFor(root));
    if (!keys && keys.error() != std::errc::no_such_file_or_directory) return pw::Fail(keys.error());
    std::string lines = keys.value_or("");
    if (!lines.empty() && !lines.ends_with('\n')) lines += '\n';
    return SaveFileAtomically(FileFor(root), lines + NormalisedKey(key) + '\n');
}

std::string QuoteExecArgument(std::string_view argument) {
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '%') {
            quoted += "%%";
            continue;
        }
        // Exec quoting escapes these with a backslash; the file's own string escaping
        // then doubles every backslash.
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += "\\\\";
        quoted += c == '\\' ? std::string("\\\\") : std::string(1, c);
    }
    return quoted + "\"";
}

pw::Result<void> WriteRunOnceEntry(std::string_view name, const fs::path& program, std::string_view argument) {
    std::string programText = program.string();
    if (programText.find_first_of("\r\n") != std::string::npos ||
        argument.find_first_of("\r\n") != std::string_view::npos)
        return pw::Fail(std::make_error_code(std::errc::invalid_argument));
    fs::path file = AutostartFile(name);
    std::error_code error;
    fs::create_directories(file.parent_path(), error);
    if (error) return pw::Fail(error);
    return SaveFileAtomically(file, "[Desktop Entry]\nType=Application\nName=" + std::string(name) +
                                        "\nExec=" + QuoteExecArgument(programText) + ' ' + QuoteExecArgument(argument) +
                                        "\nNoDisplay=true\n");
}

pw::Result<void> RemoveRunOnceEntry(std::string_view name) {
    std::error_code error;
    fs::remove(AutostartFile(name), error);  // an entry that is not there is no error
    if (error) return pw::Fail(error);
    return {};
}

}  // namespace pw::designpack
