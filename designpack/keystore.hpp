#pragma once
// The installer's stand-in for the registry: key paths kept one per line in a small
// text file per root, and the run-once entry kept as an XDG autostart file.
#include <filesystem>
#include <string>
#include <string_view>

#include "shell/general/result.hpp"

namespace pw::designpack {

enum class KeyRoot { System, User };  // `#` and `~` in requirement names

// A key store in `folder`: "system.keys" and "user.keys", each line a key path with
// `\` between levels. Keys compare without regard to case; a key exists when it or
// any key below it is listed (as registry parents do).
class KeyStore {
public:
    explicit KeyStore(std::filesystem::path folder) : folder_(std::move(folder)) {}

    // $XDG_CONFIG_HOME/designpack/keys, or ~/.config/designpack/keys.
    static KeyStore ForCurrentUser();

    // True when `key` can be opened for reading under `root`. Leading and trailing
    // separators and `/` for `\` are accepted.
    bool KeyExists(KeyRoot root, std::string_view key) const;

    // Adds `key` under `root` (creating the store's folder and file as needed); the
    // file is replaced atomically. A key holding a line break is invalid_argument.
    pw::Result<void> CreateKey(KeyRoot root, std::string_view key) const;

private:
    std::filesystem::path FileFor(KeyRoot root) const;
    std::filesystem::path folder_;
};

// $XDG_CONFIG_HOME, or $HOME/.config when it is unset or empty.
std::filesystem::path ConfigHome();

// The run-once entry: $XDG_CONFIG_HOME/autostart/<name>.desktop starting `program`
// with `argument` at the next log-in, written atomically. Written when the session
// ends mid-install. A program or argument holding a line break is invalid_argument.
pw::Result<void> WriteRunOnceEntry(std::string_view name, const std::filesystem::path& program,
                                   std::string_view argument);
// Removes that entry; a missing entry is no error. The resumed installer calls it,
// since unlike the registry's RunOnce nothing removes an autostart file by itself.
pw::Result<void> RemoveRunOnceEntry(std::string_view name);

// Desktop-entry Exec quoting of one argument (quotes, and `"` `` ` `` `$` `\` `%` escaped).
std::string QuoteExecArgument(std::string_view argument);

}  // namespace pw::designpack
