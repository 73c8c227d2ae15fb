#include "platform/testing/doubles.hpp"

#include <QTimer>

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

Result<void> RecordingEditingSurface::LoadDocument(const QString& path) {
    loads.append(path);
    path_ = path;
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
    return SaveFileAtomically(path.toStdString(), document);
}

QVariant RecordingEditingSurface::ExecCommand(int id, int option, const QVariant& argument) {
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

std::vector<int> RecordingEditingSurface::CommandIds() const {
    std::vector<int> ids;
    for (const Command& command : commands) ids.push_back(command.id);
    return ids;
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
                                          [this](QWidget* parent) {
                                              auto* surface = new RecordingEditingSurface(parent);
                                              surfaces.push_back(surface);
                                              return surface;
                                          });
}

}  // namespace pw::testing
