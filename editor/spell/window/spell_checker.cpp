#include "editor/spell/window/spell_checker.hpp"

#include "editor/spell/window/spell_check_dialog.hpp"

namespace pw {

HunspellSpellChecker::HunspellSpellChecker(std::filesystem::path userDictionary)
    : userDictionary_(std::move(userDictionary)) {}

Result<spell::CheckOutcome> HunspellSpellChecker::CheckSpelling(QWidget* parent, QTextEdit& box) {
    if (!checker_) {
        auto opened = spell::HunspellChecker::OpenForDesktop(userDictionary_);
        if (!opened) return Fail(opened.error());
        checker_.emplace(std::move(*opened));
    }
    return RunSpellCheckDialog(parent, box, *checker_);
}

QString SpellCheckUnavailableText(std::error_code reason) {
    const QString why = QString::fromStdString(reason.message());
    // Opening fails either for want of a dictionary or because KW5.dct cannot be read.
    if (reason.category() == spell::spell_category()) return QStringLiteral("Spelling cannot be checked: %1.").arg(why);
    return QStringLiteral("Spelling cannot be checked: the user dictionary %1 cannot be read (%2).")
        .arg(QString::fromUtf8(spell::kUserDictionaryName), why);
}

}  // namespace pw
