#include "platform/testing/doubles.hpp"

#include <QTextEdit>

#include "editor/window/text_box_check.hpp"

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

// The scripted misspellings as a dictionary: every other word is spelt right.
class ScriptedWords final : public spell::WordChecker {
public:
    explicit ScriptedWords(SpellScript& script) : script_(script) {}
    bool IsCorrect(std::string_view word) override { return !script_.misspelled.contains(std::string(word)); }
    std::vector<std::string> Suggestions(std::string_view) override { return {}; }
    Result<void> Add(std::string_view word) override {
        script_.added.emplace_back(word);
        if (script_.addFailure) return Fail(script_.addFailure);
        return {};
    }

private:
    SpellScript& script_;
};

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

Result<spell::CheckOutcome> ScriptedSpellChecker::CheckSpelling(QWidget*, QTextEdit& box) {
    script_.checkedTexts.append(box.toPlainText());
    if (script_.startFailure) return Fail(script_.startFailure);
    ScriptedWords words(script_);
    TextBoxCheck check(box, words);
    while (!check.finished()) {
        script_.asked.push_back(check.current()->word);
        std::pair<spell::Action, std::string> answer{spell::Action::Ignore, {}};
        if (!script_.answers.empty()) {
            answer = std::move(script_.answers.front());
            script_.answers.pop_front();
        }
        check.Answer(answer.first, QString::fromStdString(answer.second));
    }
    spell::CheckOutcome outcome = check.Outcome();
    outcome.wordsPerMinute = script_.wordsPerMinute;
    return outcome;
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
                                          },
                                          [this] { return std::make_unique<ScriptedSpellChecker>(spelling); });
}

}  // namespace pw::testing
