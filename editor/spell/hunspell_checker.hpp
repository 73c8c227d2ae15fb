#pragma once
// Hunspell with the user dictionary KW5.dct: the dictionary of the desktop's language
// where Debian's hunspell package for it is installed, else American English
// (hunspell-en-us). KW5.dct is UTF-8 text, one word a line; it is created when the first
// word is added and saved whole through a temporary file, so it is never half written.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_set>
#include <vector>

#include "editor/spell/word_checker.hpp"

class Hunspell;

namespace pw::spell {

// The user dictionary's name in the installation folder.
inline constexpr std::string_view kUserDictionaryName = "KW5.dct";

// What can keep the spelling check from starting.
enum class SpellErrc {
    noDictionary = 1,     // no Hunspell dictionary installed, not even en_US
    unsupportedEncoding,  // the dictionary's SET names a character set iconv does not know
};
const std::error_category& spell_category();
std::error_code make_error_code(SpellErrc e);

// A Hunspell dictionary: its two files and the language they are named after.
struct DictionaryFiles {
    std::filesystem::path affix;  // <language>.aff
    std::filesystem::path words;  // <language>.dic
    std::string language;         // "en_US"
};

// The folders Debian's hunspell and myspell dictionary packages install into.
std::vector<std::filesystem::path> SystemDictionaryFolders();

// The language part of a locale name: "de_DE.UTF-8@euro" gives "de_DE"; "C", "POSIX"
// and "" give "".
std::string LanguageOfLocale(std::string_view locale);

// The desktop's language: that of the first of LC_ALL, LC_MESSAGES and LANG that is set.
std::string DesktopLanguage();

// The dictionary for `language` in `folders` (searched in order): the exact one ("de_CH"),
// else one of the same language ("de_DE", or plain "de"), else en_US; nothing when not
// even en_US is there.
std::optional<DictionaryFiles> FindDictionary(std::string_view language,
                                              const std::vector<std::filesystem::path>& folders);

class HunspellChecker final : public WordChecker {
public:
    // The dictionary with the words of `userDictionary` accepted. A missing user dictionary
    // is an empty one; one that exists but cannot be read is a failure, since adding a word
    // later would otherwise replace it. Fails when the dictionary's files are missing.
    static Result<HunspellChecker> Open(const DictionaryFiles& dictionary, std::filesystem::path userDictionary);
    // The desktop language's dictionary (FindDictionary on SystemDictionaryFolders) with
    // `userDictionary`.
    static Result<HunspellChecker> OpenForDesktop(std::filesystem::path userDictionary);

    HunspellChecker(HunspellChecker&&) noexcept;
    HunspellChecker& operator=(HunspellChecker&&) noexcept;
    ~HunspellChecker() override;

    bool IsCorrect(std::string_view word) override;
    std::vector<std::string> Suggestions(std::string_view word) override;
    // Accepts `word` at once and saves the user dictionary with it added (creating the file
    // with the first word). When the save fails the word stays accepted and stays in the
    // list, so the next successful save keeps it.
    Result<void> Add(std::string_view word) override;

private:
    class Recoder;
    HunspellChecker(std::unique_ptr<Hunspell> hunspell, std::unique_ptr<Recoder> recoder,
                    std::filesystem::path userDictionary);
    void Accept(const std::string& word);

    std::unique_ptr<Hunspell> hunspell_;
    std::unique_ptr<Recoder> recoder_;  // between UTF-8 and the dictionary's SET
    std::filesystem::path userDictionary_;
    std::vector<std::string> userWords_;  // KW5.dct's words, in the file's order
    // Added words the dictionary's character set cannot hold, so Hunspell cannot take them.
    std::unordered_set<std::string> unencodableWords_;
};

}  // namespace pw::spell

template <>
struct std::is_error_code_enum<pw::spell::SpellErrc> : std::true_type {};
