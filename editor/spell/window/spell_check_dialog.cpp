#include "editor/spell/window/spell_check_dialog.hpp"

#include <QFont>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

namespace pw {
namespace {

constexpr int kButtonWidth = 110;

QTextCharFormat MisspeltWordFormat() {
    QTextCharFormat format;
    format.setForeground(QColor(0xC0, 0x00, 0x00));
    format.setFontWeight(QFont::Bold);
    return format;
}

}  // namespace

SpellCheckDialog::SpellCheckDialog(TextBoxCheck& check, QWidget* parent) : QDialog(parent), check_(check) {
    setWindowTitle(tr("Spelling"));
    setObjectName(QStringLiteral("SpellCheckDialog"));

    sentence_ = new QTextEdit(this);
    sentence_->setObjectName(QStringLiteral("Sentence"));
    sentence_->setReadOnly(true);
    sentence_->setTextInteractionFlags(Qt::NoTextInteraction);
    sentence_->setFocusPolicy(Qt::NoFocus);
    sentence_->setFixedHeight(sentence_->fontMetrics().lineSpacing() * 4 + 2 * sentence_->frameWidth() + 8);
    auto* sentenceLabel = new QLabel(tr("Not in dictionary:"), this);

    changeTo_ = new QLineEdit(this);
    changeTo_->setObjectName(QStringLiteral("ChangeTo"));
    auto* changeToLabel = new QLabel(tr("Change &to:"), this);
    changeToLabel->setBuddy(changeTo_);

    suggestions_ = new QListWidget(this);
    suggestions_->setObjectName(QStringLiteral("Suggestions"));
    auto* suggestionsLabel = new QLabel(tr("&Suggestions:"), this);
    suggestionsLabel->setBuddy(suggestions_);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("Status"));
    status_->setWordWrap(true);
    status_->setStyleSheet(QStringLiteral("color: #c00000"));
    status_->hide();

    auto* buttons = new QVBoxLayout;
    ignore_ = AddButton(tr("&Ignore"), QStringLiteral("Ignore"), spell::Action::Ignore);
    buttons->addWidget(ignore_);
    buttons->addWidget(AddButton(tr("I&gnore All"), QStringLiteral("IgnoreAll"), spell::Action::IgnoreAll));
    buttons->addSpacing(12);
    change_ = AddButton(tr("&Change"), QStringLiteral("Change"), spell::Action::Change);
    changeAll_ = AddButton(tr("C&hange All"), QStringLiteral("ChangeAll"), spell::Action::ChangeAll);
    buttons->addWidget(change_);
    buttons->addWidget(changeAll_);
    buttons->addSpacing(12);
    buttons->addWidget(AddButton(tr("&Add"), QStringLiteral("Add"), spell::Action::Add));
    buttons->addStretch();
    auto* cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("Cancel"));
    cancel->setMinimumWidth(kButtonWidth);
    connect(cancel, &QPushButton::clicked, this, &SpellCheckDialog::reject);
    buttons->addWidget(cancel);

    auto* layout = new QGridLayout(this);
    layout->addWidget(sentenceLabel, 0, 0);
    layout->addWidget(sentence_, 1, 0);
    layout->addWidget(changeToLabel, 2, 0);
    layout->addWidget(changeTo_, 3, 0);
    layout->addWidget(suggestionsLabel, 4, 0);
    layout->addWidget(suggestions_, 5, 0);
    layout->addLayout(buttons, 1, 1, 5, 1);
    layout->addWidget(status_, 6, 0, 1, 2);
    layout->setColumnStretch(0, 1);
    layout->setRowStretch(5, 1);
    layout->setHorizontalSpacing(12);
    setTabOrder(changeTo_, suggestions_);
    resize(480, 330);

    connect(suggestions_, &QListWidget::currentTextChanged, this, [this](const QString& text) {
        if (suggestions_->isEnabled() && !text.isEmpty()) changeTo_->setText(text);
    });
    connect(suggestions_, &QListWidget::itemDoubleClicked, this, [this] { Answer(spell::Action::Change); });
    connect(changeTo_, &QLineEdit::textChanged, this, &SpellCheckDialog::ReplacementEdited);

    ShowCurrent();
}

void SpellCheckDialog::reject() {
    if (check_.finished())
        QDialog::reject();
    else
        Answer(spell::Action::Cancel);
}

QPushButton* SpellCheckDialog::AddButton(const QString& caption, const QString& name, spell::Action action) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(name);
    button->setMinimumWidth(kButtonWidth);
    connect(button, &QPushButton::clicked, this, [this, action] { Answer(action); });
    return button;
}

void SpellCheckDialog::Answer(spell::Action action) {
    if (check_.finished()) return;
    const QString word = QString::fromStdString(check_.current()->word);
    const bool failedBefore = static_cast<bool>(check_.Outcome().userDictionaryFailure);
    check_.Answer(action, changeTo_->text());
    if (const std::error_code failure = check_.Outcome().userDictionaryFailure; failure && !failedBefore) {
        status_->setText(tr("\u201C%1\u201D could not be saved in the user dictionary: %2. It is accepted until "
                            "the editor closes.")
                             .arg(word, QString::fromStdString(failure.message())));
        status_->show();
    }
    if (check_.finished()) {
        done(action == spell::Action::Cancel ? QDialog::Rejected : QDialog::Accepted);
        return;
    }
    ShowCurrent();
}

void SpellCheckDialog::ShowCurrent() {
    const spell::Misspelling& misspelling = *check_.current();
    const std::string& text = misspelling.sentence.text;
    const std::size_t wordBegin = misspelling.sentence.wordBegin, wordEnd = misspelling.sentence.wordEnd;
    sentence_->clear();
    QTextCursor cursor(sentence_->document());
    cursor.insertText(QString::fromStdString(text.substr(0, wordBegin)), QTextCharFormat());
    const int wordPosition = cursor.position();
    cursor.insertText(QString::fromStdString(text.substr(wordBegin, wordEnd - wordBegin)), MisspeltWordFormat());
    cursor.insertText(QString::fromStdString(text.substr(wordEnd)), QTextCharFormat());
    cursor.setPosition(wordPosition);
    sentence_->setTextCursor(cursor);
    sentence_->ensureCursorVisible();

    suggestions_->clear();
    for (const auto& suggestion : misspelling.suggestions) suggestions_->addItem(QString::fromStdString(suggestion));
    suggestions_->setEnabled(!misspelling.suggestions.empty());
    if (misspelling.suggestions.empty()) {
        suggestions_->addItem(tr("(no suggestions)"));
        changeTo_->setText(QString::fromStdString(misspelling.word));
        changeTo_->setFocus();
        changeTo_->selectAll();
    } else {
        suggestions_->setCurrentRow(0);
        suggestions_->setFocus();
    }
    ReplacementEdited();
    check_.ShowCurrentInBox();
}

void SpellCheckDialog::ReplacementEdited() {
    const bool replaceable =
        check_.current() && !changeTo_->text().isEmpty() && changeTo_->text().toStdString() != check_.current()->word;
    change_->setEnabled(replaceable);
    changeAll_->setEnabled(replaceable);
    change_->setDefault(replaceable);
    ignore_->setDefault(!replaceable);
}

spell::CheckOutcome RunSpellCheckDialog(QWidget* parent, QTextEdit& box, spell::WordChecker& checker) {
    TextBoxCheck check(box, checker);
    if (!check.finished()) {
        SpellCheckDialog dialog(check, parent);
        dialog.exec();
    }
    return check.Outcome();
}

}  // namespace pw
