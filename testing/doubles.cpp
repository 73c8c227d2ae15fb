#include "testing/doubles.hpp"

#include <QTextEdit>
#include <QTimer>

#include "editor/spell/window/text_box_check.hpp"
#include "shell/general/files.hpp"
#include "shell/general/text_encoding.hpp"

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
                                       const QString& caption, const QString& details) {
    shown.push_back({text, buttons, icon, caption, details});
    if (whileShown) whileShown(shown.back());
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
    if (missing.contains(program)) return false;
    ran.append(program);
    ranIn.append(workingFolder);
    return true;
}

void RecordingWebPane::Navigate(const QString& fileOrAddress) {
    navigations.append(fileOrAddress);
    emit DownloadComplete();
}

void RecordingWebPane::NavigateWithoutScripts(const QString& file) {
    withoutScripts.append(file);
    Navigate(file);
}

Result<void> RecordingEditingSurface::LoadDocument(const QString& path) {
    loads.append(path);
    path_ = path;
    if (loadError) {
        document.clear();
        return Fail(loadError);
    }
    const auto bytes = ReadWholeFile(path.toStdString());
    if (!bytes) {
        document.clear();
        return Fail(bytes.error());
    }
    document = WholeDocumentText(DecodeLenient(*bytes));
    QTimer::singleShot(0, this, &EditingSurface::DocumentComplete);
    return {};
}

Result<void> RecordingEditingSurface::SaveDocument(const QString& path) {
    saves.append(path);
    path_ = path;
    if (saveError) return Fail(saveError);
    auto saved = SaveFileAtomically(path.toStdString(), document);
    if (saved && afterSave) afterSave();
    return saved;
}

QVariant RecordingEditingSurface::ExecCommand(int id, int option, const QVariant& argument) {
    if (notAnswering) {
        emit CommandNotAnswered();
        return {};
    }
    commands.push_back({id, option, argument});
    if (const auto value = values.find(id); value != values.end()) return value->second;
    if (id == EditCommand::GetBlockFormatNames) return QVariant::fromValue(BlockFormatNames{ClassicBlockFormatNames()});
    return {};
}

int RecordingEditingSurface::QueryStatus(int id) const {
    const auto status = statuses.find(id);
    return status == statuses.end() ? defaultStatus : status->second;
}

void RecordingEditingSurface::SetContextMenu(const QStringList& captions, const QList<int>& states) {
    menuCaptions = captions;
    menuStates = states;
}

void RecordingEditingSurface::PasteHtmlAtCaret(const QString& html) {
    if (notAnswering) {
        emit CommandNotAnswered();
        return;
    }
    pastes.append(html);
    const std::string text = html.toStdString();
    const auto end = document.rfind("</BODY>");
    document.insert(end == std::string::npos ? document.size() : end, text);
}

QStringList RecordingEditingSurface::RightClick(int x, int y) {
    menuCaptions.clear();
    menuStates.clear();
    emit ShowContextMenu(x, y);
    return menuCaptions;
}

QString RecordingEditingSurface::DropPicture(const QByteArray& bytes) {
    if (!pictureStore()) return {};
    const auto name = pictureStore()(bytes);
    if (!name) {
        emit PictureNotTaken(QString::fromStdString(name.error().message()));
        return {};
    }
    PasteHtmlAtCaret(QStringLiteral("<img src=\"%1\">").arg(QString::fromStdString(*name)));
    return QString::fromStdString(*name);
}

std::vector<int> RecordingEditingSurface::CommandIds() const {
    std::vector<int> ids;
    for (const Command& command : commands) ids.push_back(command.id);
    return ids;
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
    platform = std::make_unique<Platform>(
        std::move(inst),
        Ports{.dialogs = std::move(scripted),
              .shell = std::move(recording),
              .makeWebPane = [this](QWidget* parent) { return panes.emplace_back(new RecordingWebPane(parent)); },
              .makeEditingSurface =
                  [this](QWidget* parent) { return surfaces.emplace_back(new RecordingEditingSurface(parent)); },
              .makeSpellChecker = [this] { return std::make_unique<ScriptedSpellChecker>(spelling); }});
}

}  // namespace pw::testing
