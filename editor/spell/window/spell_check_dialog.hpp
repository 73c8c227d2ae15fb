#pragma once
// The spelling dialog: the misspelt word in its sentence, the suggestions, and the
// answers Ignore, Ignore All, Change, Change All, Add and Cancel. Enter changes the word
// when there is a replacement (a chosen suggestion or one typed), else ignores it;
// Escape and the close box cancel. Controls carry object names for tests: "Sentence",
// "ChangeTo", "Suggestions", "Status" and the buttons "Ignore", "IgnoreAll", "Change",
// "ChangeAll", "Add", "Cancel".
#include <QDialog>

#include "editor/spell/spell_session.hpp"
#include "editor/spell/window/text_box_check.hpp"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTextEdit;

namespace pw {

class SpellCheckDialog : public QDialog {
    Q_OBJECT
public:
    // A dialog answering `check`, which must have a current misspelling. It closes when
    // the check ends: accepted when the text was checked to its end, rejected on Cancel.
    explicit SpellCheckDialog(TextBoxCheck& check, QWidget* parent = nullptr);

    // Escape and the close box: the check is cancelled, keeping the changes made.
    void reject() override;

private:
    void Answer(spell::Action action);
    void ShowCurrent();
    void ReplacementEdited();
    QPushButton* AddButton(const QString& caption, const QString& name, spell::Action action);

    TextBoxCheck& check_;
    QTextEdit* sentence_;
    QLineEdit* changeTo_;
    QListWidget* suggestions_;
    QLabel* status_;
    QPushButton* ignore_;
    QPushButton* change_;
    QPushButton* changeAll_;
};

// Checks the spelling of `box`'s text with the user, correcting the box in place. The
// dialog shows only when there is a misspelling; otherwise the check completes at once.
spell::CheckOutcome RunSpellCheckDialog(QWidget* parent, QTextEdit& box, spell::WordChecker& checker);

}  // namespace pw
