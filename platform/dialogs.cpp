#include "platform/dialogs.hpp"

#include <QInputDialog>
#include <QMessageBox>
#include <utility>
#include <vector>

namespace pw {
namespace {

QMessageBox::Icon ToQt(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Critical: return QMessageBox::Critical;
        case MessageIcon::Question: return QMessageBox::Question;
        case MessageIcon::Exclamation: return QMessageBox::Warning;
        case MessageIcon::Information: return QMessageBox::Information;
        case MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

using ButtonAnswer = std::pair<QMessageBox::StandardButton, MessageAnswer>;

std::vector<ButtonAnswer> ButtonsOf(MessageButtons buttons) {
    const ButtonAnswer ok{QMessageBox::Ok, MessageAnswer::Ok}, cancel{QMessageBox::Cancel, MessageAnswer::Cancel},
        abort{QMessageBox::Abort, MessageAnswer::Abort}, retry{QMessageBox::Retry, MessageAnswer::Retry},
        ignore{QMessageBox::Ignore, MessageAnswer::Ignore}, yes{QMessageBox::Yes, MessageAnswer::Yes},
        no{QMessageBox::No, MessageAnswer::No};
    switch (buttons) {
        case MessageButtons::Ok: return {ok};
        case MessageButtons::OkCancel: return {ok, cancel};
        case MessageButtons::AbortRetryIgnore: return {abort, retry, ignore};
        case MessageButtons::YesNoCancel: return {yes, no, cancel};
        case MessageButtons::YesNo: return {yes, no};
        case MessageButtons::RetryCancel: return {retry, cancel};
    }
    return {ok};
}

}  // namespace

QString SaveErrorText(const std::filesystem::path& file, std::error_code reason) {
    return QStringLiteral("Could not save %1:\n%2.\n\nWhat you typed is kept; save again once this is put right.")
        .arg(QString::fromStdString(file.string()), QString::fromStdString(reason.message()));
}

void Dialogs::ShowSaveError(QWidget* parent, const std::filesystem::path& file, std::error_code reason) {
    Message(parent, SaveErrorText(file, reason), MessageButtons::Ok, MessageIcon::Exclamation);
}

void SaveReport::Note(const std::filesystem::path& file, const Result<void>& saved) {
    if (!saved && !failure_) failure_.emplace(file, saved.error());
}

void SaveReport::Show(Dialogs& dialogs, QWidget* parent) const {
    if (failure_) dialogs.ShowSaveError(parent, failure_->first, failure_->second);
}

MessageAnswer QtDialogs::Message(QWidget* parent, const QString& text, MessageButtons buttons, MessageIcon icon,
                                 const QString& caption, const QString& details) {
    QMessageBox box(ToQt(icon), caption, text, QMessageBox::NoButton, parent);
    box.setDetailedText(details);
    // Announced by a screen reader as a dialog with its caption and its message.
    box.setAccessibleName(caption);
    box.setAccessibleDescription(text);
    const auto answers = ButtonsOf(buttons);
    for (const auto& [button, answer] : answers) box.addButton(button);
    box.setDefaultButton(answers.front().first);
    const auto clicked = static_cast<QMessageBox::StandardButton>(box.exec());
    for (const auto& [button, answer] : answers) {
        if (button == clicked) return answer;
    }
    // Closing the box with Escape or its close button: the last (cancelling) choice.
    return answers.back().second;
}

std::optional<QString> QtDialogs::Input(QWidget* parent, const QString& prompt, const QString& caption,
                                        const QString& defaultText) {
    bool accepted = false;
    const QString text = QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, defaultText, &accepted);
    if (!accepted) return std::nullopt;
    return text;
}

}  // namespace pw
