#pragma once
// One spelling check of the editor's raw body text, from its first word to its last or
// until the user cancels: a state machine that a dialog (or a test) answers. The session
// owns the text and tells the caller each edit it makes, so a text box showing the same
// text can make the very same edits in place.
#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_set>
#include <vector>

#include "editor/spell/html_words.hpp"
#include "editor/spell/word_checker.hpp"

namespace pw::spell {

// The word the user is asked about.
struct Misspelling {
    std::string word;   // decoded ("café" for "caf&eacute;")
    std::size_t begin;  // byte range in the session's text
    std::size_t end;
    Sentence sentence;  // the sentence around it, for the dialog
    std::vector<std::string> suggestions;
};

enum class Action {
    Ignore,     // leave this occurrence
    IgnoreAll,  // leave every occurrence of the word until the check ends
    Change,     // replace this occurrence
    ChangeAll,  // replace this and every later occurrence of the same word
    Add,        // accept the word from now on (the user dictionary)
    Cancel,     // end the check, keeping the changes made so far
};

// Bytes [begin, end) of the text as it was before the answer, replaced by `replacement`.
struct Edit {
    std::size_t begin;
    std::size_t end;
    std::string replacement;
    bool operator==(const Edit&) const = default;
};

// How a check ended.
struct CheckOutcome {
    bool cancelled = false;
    int wordsPerMinute = 0;
    // The first failure to store an added word in the user dictionary; empty when none.
    std::error_code userDictionaryFailure;
};

// Words checked per minute of `duration`, a whole number (rounded down). A check shorter
// than a second counts as one second, so an instant check never divides by zero.
int WordsPerMinute(long long wordsChecked, std::chrono::milliseconds duration);

// The message shown when a check has ended: "Spelling Check Completed." or "Spelling
// Check Cancelled.", CR LF CR LF, "Words per minute: " and the figure.
std::string ClosingMessage(const CheckOutcome& outcome);

class SpellSession {
public:
    // Starts checking `text` at its first word; the check's clock starts now. When the
    // text holds no misspelling the check has already ended.
    SpellSession(std::string text, WordChecker& checker);

    const std::string& text() const { return text_; }
    // The misspelling awaiting an answer; nothing once the check has ended.
    const std::optional<Misspelling>& current() const { return current_; }
    bool finished() const { return !current_; }

    // Answers the current misspelling and moves on to the next one. `replacement` is the
    // new spelling for Change and ChangeAll and is then not questioned again in this check.
    // Returns the edits made, in ascending order, as ranges of the text before this answer.
    // Without a current misspelling nothing happens.
    std::vector<Edit> Answer(Action action, std::string_view replacement = {});

    long long wordsChecked() const { return wordsChecked_; }
    // Whether the user cancelled, the words-per-minute figure (up to now while the check
    // runs) and any user dictionary failure.
    CheckOutcome Outcome() const;

private:
    std::vector<Edit> Replace(std::string_view replacement, bool everyLaterOccurrence);
    void FindNext(std::size_t from);

    std::string text_;
    WordChecker& checker_;
    std::optional<Misspelling> current_;
    std::unordered_set<std::string> accepted_;  // Ignore All, Add and chosen replacements
    long long wordsChecked_ = 0;
    bool cancelled_ = false;
    std::error_code userDictionaryFailure_;
    std::chrono::steady_clock::time_point started_;
    std::optional<std::chrono::steady_clock::time_point> ended_;
};

}  // namespace pw::spell
