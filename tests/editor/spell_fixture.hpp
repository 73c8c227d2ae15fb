#pragma once
// A Hunspell checker on the real en_US dictionary with a user dictionary in a fresh folder.
#include <gtest/gtest.h>

#include <stdexcept>

#include "editor/spell/hunspell_checker.hpp"
#include "tests/temp_folder.hpp"

namespace pw::spell::test {

inline DictionaryFiles AmericanEnglish() {
    const auto files = FindDictionary("en_US", SystemDictionaryFolders());
    if (!files || files->language != "en_US") throw std::runtime_error("hunspell-en-us is not installed");
    return *files;
}

class EnglishChecker : public ::testing::Test {
protected:
    std::filesystem::path userDictionary() const { return folder_.path() / std::string(kUserDictionaryName); }

    // A new checker, as a new editor window would open it.
    HunspellChecker Open() {
        auto checker = HunspellChecker::Open(AmericanEnglish(), userDictionary());
        if (!checker) throw std::runtime_error("en_US does not open: " + checker.error().message());
        return std::move(*checker);
    }

    pw::test::TempFolder folder_;
};

}  // namespace pw::spell::test
