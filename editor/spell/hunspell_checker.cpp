#include "editor/spell/hunspell_checker.hpp"

#include <iconv.h>
#include <hunspell.hxx>

#include <algorithm>
#include <cstdlib>

#include "shell/general/files.hpp"
#include "shell/general/text_encoding.hpp"

namespace pw::spell {
namespace fs = std::filesystem;

namespace {

class SpellCategory final : public std::error_category {
public:
    const char* name() const noexcept override { return "spell"; }
    std::string message(int value) const override {
        switch (static_cast<SpellErrc>(value)) {
            case SpellErrc::noDictionary: return "No spelling dictionary is installed (Debian package hunspell-en-us)";
            case SpellErrc::unsupportedEncoding: return "The spelling dictionary's character set is not supported";
        }
        return "Unknown spelling error";
    }
};

bool IsFile(const fs::path& path) {
    std::error_code ignored;  // a file we cannot even stat is not there for us
    return fs::is_regular_file(path, ignored);
}

std::optional<DictionaryFiles> FilesOf(const std::string& language, const std::vector<fs::path>& folders) {
    for (const auto& folder : folders) {
        DictionaryFiles files{folder / (language + ".aff"), folder / (language + ".dic"), language};
        if (IsFile(files.affix) && IsFile(files.words)) return files;
    }
    return std::nullopt;
}

// The dictionaries of `base` ("de") named for a country ("de_AT", "de_CH"), alphabetically.
std::optional<DictionaryFiles> AnyCountryOf(const std::string& base, const std::vector<fs::path>& folders) {
    std::vector<std::string> languages;
    for (const auto& folder : folders) {
        std::error_code ignored;
        for (const auto& entry : fs::directory_iterator(folder, ignored)) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with(base + "_") && name.ends_with(".dic"))
                languages.push_back(name.substr(0, name.size() - 4));
        }
    }
    std::ranges::sort(languages);
    for (const auto& language : languages)
        if (auto files = FilesOf(language, folders)) return files;
    return std::nullopt;
}

// Hunspell's names of character sets that iconv spells otherwise.
std::string IconvName(std::string_view set) {
    if (set.starts_with("microsoft-")) set.remove_prefix(std::string_view("microsoft-").size());
    if (set == "TIS620-2533") return "TIS-620";
    return std::string(set);
}

class Iconv {
public:
    Iconv(const std::string& to, const std::string& from) : handle_(iconv_open(to.c_str(), from.c_str())) {}
    ~Iconv() {
        if (valid()) iconv_close(handle_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

    // `bytes` converted, or nothing when a character has no form in the target set.
    std::optional<std::string> Convert(std::string_view bytes) const {
        iconv(handle_, nullptr, nullptr, nullptr, nullptr);
        std::string out(bytes.size() * 4 + 16, '\0');  // room for single bytes growing into UTF-8
        char* in = const_cast<char*>(bytes.data());
        std::size_t inLeft = bytes.size();
        char* target = out.data();
        std::size_t targetLeft = out.size();
        if (iconv(handle_, &in, &inLeft, &target, &targetLeft) == static_cast<std::size_t>(-1) ||
            iconv(handle_, nullptr, nullptr, &target, &targetLeft) == static_cast<std::size_t>(-1))
            return std::nullopt;
        out.resize(out.size() - targetLeft);
        return out;
    }

private:
    iconv_t handle_;
};

}  // namespace

const std::error_category& spell_category() {
    static const SpellCategory category;
    return category;
}

std::error_code make_error_code(SpellErrc e) { return {static_cast<int>(e), spell_category()}; }

// Converts words between UTF-8 and a dictionary's own character set.
class HunspellChecker::Recoder {
public:
    explicit Recoder(const std::string& set) : toSet_(set, "UTF-8"), toUtf8_("UTF-8", set) {}
    bool valid() const { return toSet_.valid() && toUtf8_.valid(); }
    std::optional<std::string> ToDictionary(std::string_view utf8) const { return toSet_.Convert(utf8); }
    std::optional<std::string> ToUtf8(std::string_view bytes) const { return toUtf8_.Convert(bytes); }

private:
    Iconv toSet_;
    Iconv toUtf8_;
};

std::vector<fs::path> SystemDictionaryFolders() {
    return {"/usr/share/hunspell", "/usr/share/myspell", "/usr/share/myspell/dicts"};
}

std::string LanguageOfLocale(std::string_view locale) {
    const std::string language(locale.substr(0, locale.find_first_of(".@")));
    return language == "C" || language == "POSIX" ? std::string() : language;
}

std::string DesktopLanguage() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"})
        if (const char* value = std::getenv(variable); value && *value) return LanguageOfLocale(value);
    return {};
}

std::optional<DictionaryFiles> FindDictionary(std::string_view language, const std::vector<fs::path>& folders) {
    if (!language.empty()) {
        if (auto exact = FilesOf(std::string(language), folders)) return exact;
        const std::string base(language.substr(0, language.find('_')));
        std::string home = base + "_" + base;  // the language's own country: de_DE, fr_FR
        std::ranges::transform(home.begin() + static_cast<std::ptrdiff_t>(base.size()) + 1, home.end(),
                               home.begin() + static_cast<std::ptrdiff_t>(base.size()) + 1,
                               [](char c) { return static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c); });
        if (auto files = FilesOf(home, folders)) return files;
        if (auto files = FilesOf(base, folders)) return files;
        if (auto files = AnyCountryOf(base, folders)) return files;
    }
    return FilesOf("en_US", folders);
}

HunspellChecker::HunspellChecker(std::unique_ptr<Hunspell> hunspell, std::unique_ptr<Recoder> recoder,
                                 fs::path userDictionary)
    : hunspell_(std::move(hunspell)), recoder_(std::move(recoder)), userDictionary_(std::move(userDictionary)) {}

HunspellChecker::HunspellChecker(HunspellChecker&&) noexcept = default;
HunspellChecker& HunspellChecker::operator=(HunspellChecker&&) noexcept = default;
HunspellChecker::~HunspellChecker() = default;

Result<HunspellChecker> HunspellChecker::Open(const DictionaryFiles& dictionary, fs::path userDictionary) {
    if (!IsFile(dictionary.affix) || !IsFile(dictionary.words)) return Fail(SpellErrc::noDictionary);
    auto hunspell = std::make_unique<Hunspell>(dictionary.affix.c_str(), dictionary.words.c_str());
    std::unique_ptr<Recoder> recoder;
    if (const std::string set = hunspell->get_dict_encoding(); set != "UTF-8") {
        recoder = std::make_unique<Recoder>(IconvName(set));
        if (!recoder->valid()) return Fail(SpellErrc::unsupportedEncoding);
    }
    HunspellChecker checker(std::move(hunspell), std::move(recoder), std::move(userDictionary));

    const auto bytes = ReadWholeFile(checker.userDictionary_);
    if (!bytes && bytes.error() != std::errc::no_such_file_or_directory) return Fail(bytes.error());
    std::string text = bytes ? DecodeLenient(*bytes) : std::string();
    if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
    for (std::size_t lineBegin = 0; lineBegin < text.size();) {
        const std::size_t lineEnd = std::min(text.find('\n', lineBegin), text.size());
        std::string word = text.substr(lineBegin, lineEnd - lineBegin);
        lineBegin = lineEnd + 1;
        const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
        while (!word.empty() && blank(word.back())) word.pop_back();
        word.erase(0, word.find_first_not_of(" \t"));
        if (word.empty() || std::ranges::find(checker.userWords_, word) != checker.userWords_.end()) continue;
        checker.Accept(word);
        checker.userWords_.push_back(std::move(word));
    }
    return checker;
}

Result<HunspellChecker> HunspellChecker::OpenForDesktop(fs::path userDictionary) {
    const auto dictionary = FindDictionary(DesktopLanguage(), SystemDictionaryFolders());
    if (!dictionary) return Fail(SpellErrc::noDictionary);
    return Open(*dictionary, std::move(userDictionary));
}

bool HunspellChecker::IsCorrect(std::string_view word) {
    const auto encoded = recoder_ ? recoder_->ToDictionary(word) : std::string(word);
    if (!encoded) return unencodableWords_.contains(std::string(word));
    return hunspell_->spell(*encoded);
}

std::vector<std::string> HunspellChecker::Suggestions(std::string_view word) {
    const auto encoded = recoder_ ? recoder_->ToDictionary(word) : std::string(word);
    if (!encoded) return {};
    std::vector<std::string> suggestions = hunspell_->suggest(*encoded);
    if (!recoder_) return suggestions;
    std::vector<std::string> decoded;
    for (const auto& suggestion : suggestions)
        if (auto utf8 = recoder_->ToUtf8(suggestion)) decoded.push_back(std::move(*utf8));
    return decoded;
}

Result<void> HunspellChecker::Add(std::string_view word) {
    if (word.empty() || word.find_first_of("\r\n") != std::string_view::npos)
        return Fail(std::make_error_code(std::errc::invalid_argument));  // one word a line
    std::string added(word);
    Accept(added);
    if (std::ranges::find(userWords_, added) == userWords_.end()) userWords_.push_back(std::move(added));
    std::string content;
    for (const auto& userWord : userWords_) content += userWord + "\n";
    return SaveFileAtomically(userDictionary_, content);
}

void HunspellChecker::Accept(const std::string& word) {
    const auto encoded = recoder_ ? recoder_->ToDictionary(word) : word;
    if (encoded)
        hunspell_->add(*encoded);
    else
        unencodableWords_.insert(word);
}

}  // namespace pw::spell
