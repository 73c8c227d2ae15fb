#pragma once
// What a spelling check asks of a dictionary. Words are UTF-8.
#include <string>
#include <string_view>
#include <vector>

#include "shell/general/result.hpp"

namespace pw::spell {

class WordChecker {
public:
    virtual ~WordChecker() = default;
    // True when `word` is spelt correctly.
    virtual bool IsCorrect(std::string_view word) = 0;
    // Corrections to offer for a misspelt `word`, the likeliest first; may be empty.
    virtual std::vector<std::string> Suggestions(std::string_view word) = 0;
    // Accepts `word` from now on. A checker with a user dictionary also stores it there,
    // and fails when it cannot; the word is accepted for this session all the same.
    virtual Result<void> Add(std::string_view word) = 0;
};

}  // namespace pw::spell
