#pragma once
// Message boxes and input boxes, behind a port so windows can be tested unattended.
#include <QString>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

#include "shell/general/result.hpp"

class QWidget;

namespace pw {

inline const QString kAppTitle = QStringLiteral("KW5 Sitewell");

enum class MessageIcon { None, Critical, Question, Exclamation, Information };
enum class MessageButtons { Ok, OkCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };
enum class MessageAnswer { Ok, Cancel, Abort, Retry, Ignore, Yes, No };

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A modal message box; the caption defaults to the application title. `details`, when
    // given, is offered under "Show Details..." (a server's own reply, say).
    virtual MessageAnswer Message(QWidget* parent, const QString& text, MessageButtons buttons = MessageButtons::Ok,
                                  MessageIcon icon = MessageIcon::None, const QString& caption = kAppTitle,
                                  const QString& details = {}) = 0;
    // An input box; nothing when the user cancels.
    virtual std::optional<QString> Input(QWidget* parent, const QString& prompt, const QString& caption = kAppTitle,
                                         const QString& defaultText = {}) = 0;

    // Yes/No question with the question icon; true for Yes.
    bool AskYesNo(QWidget* parent, const QString& text, const QString& caption = kAppTitle) {
        return Message(parent, text, MessageButtons::YesNo, MessageIcon::Question, caption) == MessageAnswer::Yes;
    }

    // The one message for a save of the user's work that failed: the file and the reason,
    // warning icon, OK. The window keeps what the user typed, so the next save can succeed.
    void ShowSaveError(QWidget* parent, const std::filesystem::path& file, std::error_code reason);
};

// The text ShowSaveError shows.
QString SaveErrorText(const std::filesystem::path& file, std::error_code reason);

// The saves one user action makes: the first that fails is told once, by Show.
class SaveReport {
public:
    // Notes the outcome of saving `file`.
    void Note(const std::filesystem::path& file, const Result<void>& saved);
    // ShowSaveError for the first failure; nothing when every save succeeded.
    void Show(Dialogs& dialogs, QWidget* parent) const;

private:
    std::optional<std::pair<std::filesystem::path, std::error_code>> failure_;
};

// QMessageBox and QInputDialog.
class QtDialogs final : public Dialogs {
public:
    MessageAnswer Message(QWidget* parent, const QString& text, MessageButtons buttons, MessageIcon icon,
                          const QString& caption, const QString& details) override;
    std::optional<QString> Input(QWidget* parent, const QString& prompt, const QString& caption,
                                 const QString& defaultText) override;
};

}  // namespace pw
