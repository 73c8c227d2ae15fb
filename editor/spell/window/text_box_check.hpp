#pragma once
// A spelling check of a text box used as plain text (the editor's RichTextBox1). The
// session checks the box's text; each edit it makes is made on the box in place, so every
// character outside the corrected words stays as it was, tag colours included.
#include <QString>
#include <optional>

#include "editor/spell/spell_session.hpp"

class QTextEdit;

namespace pw {

class TextBoxCheck {
public:
    // Starts checking the text `box` holds now. The box must not change otherwise while
    // the check runs (the dialog is modal).
    TextBoxCheck(QTextEdit& box, spell::WordChecker& checker);

    // The misspelling awaiting an answer; nothing once the check has ended.
    const std::optional<spell::Misspelling>& current() const { return session_.current(); }
    bool finished() const { return session_.finished(); }

    // Answers the current misspelling (see SpellSession::Answer) and makes its edits on the box.
    void Answer(spell::Action action, const QString& replacement = {});

    // Selects the current misspelling in the box and scrolls it into view.
    void ShowCurrentInBox();

    spell::CheckOutcome Outcome() const { return session_.Outcome(); }

private:
    QTextEdit& box_;
    spell::SpellSession session_;
};

}  // namespace pw
