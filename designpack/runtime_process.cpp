#include "designpack/runtime_process.hpp"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

#include "shell/general/file_descriptor.hpp"

extern char** environ;

namespace pw::designpack {

namespace fs = std::filesystem;

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord) words.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(std::move(word));
    return words;
}

namespace {

// Programs in the folder win over PATH, as on the system the packs come from.
std::pair<std::string, bool> ProgramToStart(const std::string& name, const fs::path& folder) {
    std::error_code ignored;
    if (name.find('/') != std::string::npos) return {(folder / name).string(), false};
    if (fs::is_regular_file(folder / name, ignored)) return {(folder / name).string(), false};
    return {name, true};  // search PATH
}

pw::Result<int> WaitFor(pid_t child) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return pw::Fail(LastError());
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return 128 + WTERMSIG(status);
}

}  // namespace

pw::Result<int> RunAndWait(const std::vector<std::string>& words, const fs::path& folder,
                           const std::function<void()>& started) {
    if (words.empty() || words.front().empty()) return pw::Fail(std::make_error_code(std::errc::invalid_argument));
    std::error_code ignored;
    fs::path absoluteFolder = folder.empty() ? fs::current_path(ignored) : fs::absolute(folder, ignored);
    auto [program, searchPath] = ProgramToStart(words.front(), absoluteFolder);

    std::vector<char*> argv;
    argv.push_back(program.data());
    for (std::size_t i = 1; i < words.size(); ++i) argv.push_back(const_cast<char*>(words[i].c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    std::string folderText = absoluteFolder.string();
    posix_spawn_file_actions_addchdir_np(&actions, folderText.c_str());
    pid_t child = 0;
    int rc = searchPath ? ::posix_spawnp(&child, program.c_str(), &actions, nullptr, argv.data(), environ)
                        : ::posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return pw::Fail(std::error_code(rc, std::generic_category()));

    if (started) started();
    return WaitFor(child);
}

}  // namespace pw::designpack
