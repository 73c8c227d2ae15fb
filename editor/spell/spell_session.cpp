#include "editor/spell/spell_session.hpp"

#include <algorithm>
#include <climits>

namespace pw::spell {

using std::chrono::steady_clock;

int WordsPerMinute(long long wordsChecked, std::chrono::milliseconds duration) {
    const long long milliseconds = std::max<long long>(duration.count(), 1000);
    return static_cast<int>(std::min<long long>(wordsChecked * 60'000 / milliseconds, INT_MAX));
}

std::string ClosingMessage(const CheckOutcome& outcome) {
    return std::string(outcome.cancelled ? "Spelling Check Cancelled." : "Spelling Check Completed.") +
           "\r\n\r\nWords per minute: " + std::to_string(outcome.wordsPerMinute);
}

SpellSession::SpellSession(std::string text, WordChecker& checker)
    : text_(std::move(text)), checker_(checker), started_(steady_clock::now()) {
    FindNext(0);
}

std::vector<Edit> SpellSession::Answer(Action action, std::string_view replacement) {
    if (!current_) return {};
    const std::size_t after = current_->end;
    switch (action) {
        case Action::Ignore: break;
        case Action::IgnoreAll: accepted_.insert(current_->word); break;
        case Action::Add:
            accepted_.insert(current_->word);
            if (const auto added = checker_.Add(current_->word); !added && !userDictionaryFailure_)
                userDictionaryFailure_ = added.error();
            break;
        case Action::Change: return Replace(replacement, false);
        case Action::ChangeAll: return Replace(replacement, true);
        case Action::Cancel:
            cancelled_ = true;
            current_.reset();
            ended_ = steady_clock::now();
            return {};
    }
    FindNext(after);
    return {};
}

CheckOutcome SpellSession::Outcome() const {
    const auto duration = ended_.value_or(steady_clock::now()) - started_;
    return {cancelled_, WordsPerMinute(wordsChecked_, std::chrono::duration_cast<std::chrono::milliseconds>(duration)),
            userDictionaryFailure_};
}

std::vector<Edit> SpellSession::Replace(std::string_view replacement, bool everyLaterOccurrence) {
    std::vector<Edit> edits{{current_->begin, current_->end, std::string(replacement)}};
    if (everyLaterOccurrence) {
        for (HtmlTextScanner scanner(text_, current_->end); auto word = scanner.NextWord();)
            if (word->text == current_->word) edits.push_back({word->begin, word->end, std::string(replacement)});
    }
    std::string changed;
    changed.reserve(text_.size());
    std::size_t copied = 0;
    for (const Edit& edit : edits) {
        changed.append(text_, copied, edit.begin - copied);
        changed += edit.replacement;
        copied = edit.end;
    }
    changed.append(text_, copied);
    text_ = std::move(changed);

    accepted_.insert(std::string(replacement));
    FindNext(current_->begin + replacement.size());
    return edits;
}

void SpellSession::FindNext(std::size_t from) {
    current_.reset();
    for (HtmlTextScanner scanner(text_, from); auto word = scanner.NextWord();) {
        ++wordsChecked_;
        if (accepted_.contains(word->text) || checker_.IsCorrect(word->text)) continue;
        current_ = Misspelling{word->text, word->begin, word->end, SentenceAround(text_, word->begin, word->end),
                               checker_.Suggestions(word->text)};
        return;
    }
    ended_ = steady_clock::now();
}

}  // namespace pw::spell
