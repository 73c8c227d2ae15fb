#include "platform/testing/doubles.hpp"

namespace pw::testing {
namespace {

MessageAnswer FirstAnswerOf(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::Ok:
        case MessageButtons::OkCancel: return MessageAnswer::Ok;
        case MessageButtons::AbortRetryIgnore: return MessageAnswer::Abort;
        case MessageButtons::YesNoCancel:
        case MessageButtons::YesNo: return MessageAnswer::Yes;
        case MessageButtons::RetryCancel: return MessageAnswer::Retry;
    }
    return MessageAnswer::Ok;
}

}  // namespace

MessageAnswer ScriptedDialogs::Message(QWidget*, const QString& text, MessageButtons buttons, MessageIcon icon,
                                       const QString& caption) {
    shown.push_back({text, buttons, icon, caption});
    if (answers.empty()) return FirstAnswerOf(buttons);
    const MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

std::optional<QString> ScriptedDialogs::Input(QWidget*, const QString& prompt, const QString&,
                                              const QString& defaultText) {
    prompts.append(prompt);
    if (inputs.empty()) return defaultText;
    // Taken apart rather than copied whole: GCC's optimiser misreads a copied optional<QString>.
    const bool cancelled = !inputs.front().has_value();
    const QString text = inputs.front().value_or(QString());
    inputs.pop_front();
    if (cancelled) return std::nullopt;
    return text;
}

bool RecordingShell::Open(const QString& addressOrFile) {
    opened.append(addressOrFile);
    return true;
}

bool RecordingShell::Run(const QString& program, const QString& workingFolder) {
    ran.append(program);
    ranIn.append(workingFolder);
    return true;
}

void RecordingWebPane::Navigate(const QString& fileOrAddress) {
    navigations.append(fileOrAddress);
    emit DownloadComplete();
}

TestPlatform::TestPlatform(std::filesystem::path inst) {
    auto scripted = std::make_unique<ScriptedDialogs>();
    auto recording = std::make_unique<RecordingShell>();
    dialogs = scripted.get();
    shell = recording.get();
    platform = std::make_unique<Platform>(std::move(inst), std::move(scripted), std::move(recording),
                                          [this](QWidget* parent) {
                                              auto* pane = new RecordingWebPane(parent);
                                              panes.push_back(pane);
                                              return pane;
                                          });
}

}  // namespace pw::testing
