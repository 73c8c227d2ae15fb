#pragma once
// Spell checking of the editor's text: our dialog over Hunspell, with the user dictionary
// KW5.dct in the installation folder. Behind a port so window tests script the check.
#include <QString>
#include <filesystem>
#include <optional>
#include <system_error>

#include "editor/spell/hunspell_checker.hpp"
#include "editor/spell/spell_session.hpp"
#include "shell/general/result.hpp"

class QTextEdit;
class QWidget;

namespace pw {

class SpellChecker {
public:
    virtual ~SpellChecker() = default;
    // Checks the spelling of `box`'s text (the raw body HTML, used as plain text) with the
    // user, correcting the box in place; returns whether the user cancelled, the words-per-
    // minute figure and any failure to save an added word. Fails only when checking cannot
    // start: no dictionary is installed, or KW5.dct exists but cannot be read.
    virtual Result<spell::CheckOutcome> CheckSpelling(QWidget* parent, QTextEdit& box) = 0;
};

// Hunspell and the dialog. The dictionary is opened at the first check (the desktop's
// language, else en_US) and kept, with the words added, for the checker's life.
class HunspellSpellChecker final : public SpellChecker {
public:
    explicit HunspellSpellChecker(std::filesystem::path userDictionary);
    Result<spell::CheckOutcome> CheckSpelling(QWidget* parent, QTextEdit& box) override;

private:
    std::filesystem::path userDictionary_;
    std::optional<spell::HunspellChecker> checker_;
};

// The message for a check that cannot start, with the reason CheckSpelling gave.
QString SpellCheckUnavailableText(std::error_code reason);

}  // namespace pw
