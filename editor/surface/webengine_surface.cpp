#include "editor/surface/webengine_surface.hpp"

#include <QClipboard>
#include <QCryptographicHash>
#include <QDateTime>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QFontDialog>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebChannel>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <algorithm>
#include <array>
#include <cassert>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "editor/surface/editing_page.hpp"
#include "editor/surface/find_bar.hpp"
#include "editor/surface/hyperlink_dialog.hpp"
#include "editor/surface/surface_bridge.hpp"
#include "shell/general/files.hpp"
#include "shell/general/text_encoding.hpp"

namespace pw {
namespace {

// How long the window waits for the engine before it gives up on a call.
constexpr int kEngineDeadlineMs = 5000;

// A large document takes the engine longer for each answer (serialising it, or the state
// of a caret in a long table): this much longer a megabyte.
constexpr int kDeadlinePerMegabyteMs = 500;

// The script refuses a call that reaches it later than this before the window gives up
// on it, so a command that comes too late never changes the document behind the window.
constexpr int kLateMarginMs = 1000;

// setHtml hands the document to the engine as this data URL, percent-encoded, and the
// engine refuses URLs past 2 MB. So the engine gets the document without its body's
// content that way, and the content in pieces through the bridge.
constexpr qsizetype kMaxDataUrl = 2 * 1024 * 1024;
const QByteArray kDataUrlPrefix = QByteArrayLiteral("data:text/html;charset=UTF-8,");

qsizetype DataUrlLength(const QString& html) {
    return kDataUrlPrefix.size() + html.toUtf8().toPercentEncoding().size();
}

// The bytes of a data: address ("data:image/png;base64,..."); empty when it holds none.
QByteArray BytesOfDataAddress(std::string_view address) {
    const std::size_t comma = address.find(',');
    if (comma == std::string_view::npos) return {};
    const QByteArray meta = QByteArray(address.data(), static_cast<qsizetype>(comma)).toLower();
    const QByteArray data(address.data() + comma + 1, static_cast<qsizetype>(address.size() - comma - 1));
    return meta.endsWith(";base64") ? QByteArray::fromBase64(QByteArray::fromPercentEncoding(data))
                                    : QByteArray::fromPercentEncoding(data);
}

// The font of text that names none, as the browsers the pages are made for have it.
const QString kDefaultFont = QStringLiteral("Times New Roman");

// HTML font sizes 1 to 7 in points, as browsers show them.
constexpr std::array<int, 7> kPointsOfHtmlSize{8, 10, 12, 14, 18, 24, 36};

int HtmlSizeOfPoints(int points) {
    int best = 1;
    for (int size = 1; size <= 7; ++size) {
        if (std::abs(kPointsOfHtmlSize[size - 1] - points) < std::abs(kPointsOfHtmlSize[best - 1] - points))
            best = size;
    }
    return best;
}

bool IsCommand(int id) { return !NameOfCommand(id).empty(); }

QString FromView(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QString ReadResource(const QString& name) {
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) qFatal("missing resource %s", qPrintable(name));
    return QString::fromUtf8(file.readAll());
}

QWebEngineScript ApplicationWorldScript(const QString& name, const QString& source) {
    QWebEngineScript script;
    script.setName(name);
    script.setSourceCode(source);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setRunsOnSubFrames(false);
    return script;
}

// The tables the script knows the commands, their statuses and the block formats by, all
// made from the one table of edit_commands.hpp.
QString ScriptTables() {
    QJsonArray commands;
    for (const NamedCommand& command : kEditCommands) commands.append(FromView(command.name));
    QJsonObject statuses;
    for (const NamedStatus& status : kCommandStatuses) statuses.insert(FromView(status.name), status.status);
    QJsonArray blockFormats;
    for (const BlockFormat& format : kBlockFormats)
        blockFormats.append(QJsonArray{FromView(format.name), FromView(format.tag)});
    const QJsonObject tables{{QStringLiteral("commands"), commands},
                             {QStringLiteral("status"), statuses},
                             {QStringLiteral("blockFormats"), blockFormats}};
    return QString::fromUtf8(QJsonDocument(tables).toJson(QJsonDocument::Compact));
}

// The surface's script: its parts, in the order core.js describes, read into one function
// after the tables, so that they share their names and nothing else in the world sees them.
QString SurfaceScript() {
    static const char* const kParts[] = {"core", "history", "tables", "positioning", "paste", "start"};
    QString source = QStringLiteral("'use strict';\n(() => {\nconst TABLES = %1;\n").arg(ScriptTables());
    for (const char* part : kParts)
        source += ReadResource(QStringLiteral(":/pagewright/surface/%1.js").arg(QLatin1String(part))) + '\n';
    return source + QStringLiteral("})();\n");
}

}  // namespace

WebEngineSurface::WebEngineSurface(QWidget* parent)
    : EditingSurface(parent),
      view_(new QWebEngineView(this)),
      findBar_(nullptr),
      bridge_(new SurfaceBridge(this)),
      contextMenu_(new QMenu(this)),
      runDialog_([](QDialog& dialog) { return dialog.exec(); }),
      deadlineMs_(kEngineDeadlineMs) {
    auto* page = new EditingPage(view_);
    view_->setPage(page);
    // The user's own scripts stay off while editing; ours run in their own world.
    page->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    page->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    // Text in no font of its own shows, and is reported, in the font browsers show it in.
    page->settings()->setFontFamily(QWebEngineSettings::StandardFont, kDefaultFont);
    page->scripts().insert(ApplicationWorldScript(QStringLiteral("qwebchannel"),
                                                  ReadResource(QStringLiteral(":/qtwebchannel/qwebchannel.js"))));
    page->scripts().insert(ApplicationWorldScript(QStringLiteral("pagewright-editing"), SurfaceScript()));
    auto* channel = new QWebChannel(this);
    channel->registerObject(QStringLiteral("surface"), bridge_);
    page->setWebChannel(channel, QWebEngineScript::ApplicationWorld);

    findBar_ = new FindBar(this, page);
    contextMenu_->setObjectName(QStringLiteral("SurfaceContextMenu"));
    view_->setContextMenuPolicy(Qt::CustomContextMenu);
    // Queued for the same reason as the bridge's calls: the request comes inside an engine task.
    connect(view_, &QWidget::customContextMenuRequested, this, &WebEngineSurface::OnContextMenuRequested,
            Qt::QueuedConnection);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(view_, 1);
    layout->addWidget(findBar_);
    loadError_ = SurfaceErrc::noDocument;
}

WebEngineSurface::~WebEngineSurface() = default;

Result<void> WebEngineSurface::LoadDocument(const QString& path) {
    path_ = path;
    ready_ = false;
    loading_ = false;
    lastSeq_ = 0;
    status_.clear();
    state_.clear();
    auto* page = static_cast<EditingPage*>(view_->page());
    const auto bytes = ReadWholeFile(std::filesystem::path(path.toStdString()));
    documentBytes_ = bytes ? bytes->size() : 0;
    QString outer;
    QString content;
    if (!bytes) {
        loadError_ = bytes.error();
    } else {
        const std::string document =
            ReplaceDataPictureAddresses(WholeDocumentText(DecodeLenient(*bytes)),
                                        [this](std::string_view address) { return PictureFileFor(address); });
        if (auto cut = CutAtBody(document)) {
            outer = QString::fromStdString(cut->outer);
            content = QString::fromStdString(cut->content);
        } else {
            outer = QString::fromStdString(document);
        }
        loadError_ =
            DataUrlLength(outer) > kMaxDataUrl ? make_error_code(SurfaceErrc::documentTooLarge) : std::error_code();
    }
    page->AllowNextNavigation();
    const QUrl base = QUrl::fromLocalFile(QFileInfo(path).absolutePath() + QLatin1Char('/'));
    bridge_->SetBody(loadError_ ? QString() : content);
    if (loadError_) {
        view_->setHtml(QString(), base);  // nothing to edit rather than the previous document
        return Fail(loadError_);
    }
    loading_ = true;
    view_->setHtml(outer, base);
    return {};
}

std::optional<std::string> WebEngineSurface::PictureFileFor(std::string_view address) {
    if (!pictureStore()) return std::nullopt;
    const QByteArray key = QCryptographicHash::hash(
        QByteArrayView(address.data(), static_cast<qsizetype>(address.size())), QCryptographicHash::Sha256);
    if (const auto known = pictureFiles_.constFind(key); known != pictureFiles_.cend()) return *known;
    const auto made = pictureStore()(BytesOfDataAddress(address));
    if (!made) return std::nullopt;
    pictureFiles_.insert(key, *made);
    return *made;
}

QString WebEngineSurface::TakePicture(const QByteArray& bytes) {
    if (!pictureStore()) return {};
    const auto made = pictureStore()(bytes);
    if (made) return QString::fromStdString(*made);
    const QString reason = QString::fromStdString(made.error().message());
    // Told from the event queue: this runs inside one of the engine's tasks.
    QMetaObject::invokeMethod(
        this, [this, reason] { emit PictureNotTaken(reason); }, Qt::QueuedConnection);
    return {};
}

void WebEngineSurface::OnReady(const QVariantMap& state) {
    if (!loading_) return;  // a page the surface did not load as a document
    assert(!loadError_);    // a document that failed to load is never handed to the engine
    loading_ = false;
    ready_ = true;
    TakeState(state);
    ViewOptionsChanged();
    emit DocumentComplete();
}

void WebEngineSurface::TakeState(const QVariantMap& state) {
    const qint64 seq = state.value(QStringLiteral("seq")).toLongLong();
    if (!ready_ || seq <= lastSeq_) return;  // an answer overtaken by a newer one
    lastSeq_ = seq;
    const QVariantMap status = state.value(QStringLiteral("status")).toMap();
    status_.clear();
    for (auto it = status.cbegin(); it != status.cend(); ++it) {
        if (const int id = CommandNamed(it.key().toStdString())) status_.insert(id, it.value().toInt());
    }
    state_ = state;
    emit DisplayChanged();
}

std::optional<QVariant> WebEngineSurface::Call(const QString& name, const QVariantList& args) {
    if (!ready_) return std::nullopt;
    const int deadline = Deadline();
    const qint64 notAfter = QDateTime::currentMSecsSinceEpoch() + std::max(0, deadline - kLateMarginMs);
    const QJsonArray call{name, QJsonArray::fromVariantList(args), notAfter};
    const QString script = QStringLiteral("typeof pagewright === 'undefined' ? null : pagewright.call(...%1)")
                               .arg(QString::fromUtf8(QJsonDocument(call).toJson(QJsonDocument::Compact)));
    auto answer = std::make_shared<std::optional<QVariant>>();
    QEventLoop loop;
    QPointer<QEventLoop> waiting(&loop);
    view_->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld, [answer, waiting](const QVariant& result) {
        *answer = result;
        if (waiting) waiting->quit();
    });
    QTimer::singleShot(deadline, &loop, &QEventLoop::quit);
    if (!answer->has_value()) loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!answer->has_value()) return std::nullopt;
    const QVariantMap reply = (*answer)->toMap();
    if (reply.isEmpty()) return std::nullopt;  // the script is not there (yet)
    if (reply.value(QStringLiteral("late")).toBool()) return std::nullopt;
    const QString error = reply.value(QStringLiteral("error")).toString();
    if (!error.isEmpty()) qWarning("editing surface: %s failed: %s", qPrintable(name), qPrintable(error));
    if (const QVariantMap state = reply.value(QStringLiteral("state")).toMap(); !state.isEmpty()) TakeState(state);
    return reply.value(QStringLiteral("value"));
}

int WebEngineSurface::Deadline() const {
    return deadlineMs_ + static_cast<int>(documentBytes_ / (1024 * 1024)) * kDeadlinePerMegabyteMs;
}

void WebEngineSurface::Change(const QString& name, const QVariantList& args) {
    if (ready_ && !Call(name, args)) emit CommandNotAnswered();
}

bool WebEngineSurface::WaitUntilReady() {
    if (ready_ || !loading_) return ready_;
    QEventLoop loop;
    connect(this, &EditingSurface::DocumentComplete, &loop, &QEventLoop::quit);
    QTimer::singleShot(Deadline(), &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    return ready_;
}

Result<void> WebEngineSurface::SaveDocument(const QString& path) {
    path_ = path;
    if (loadError_) return Fail(loadError_);
    if (!WaitUntilReady()) return Fail(SurfaceErrc::engineNotAnswering);
    const auto text = Call(QStringLiteral("serialize"), {});
    if (!text || text->typeId() != QMetaType::QString) return Fail(SurfaceErrc::engineNotAnswering);
    // A picture that reached the document as a data: address (pasted as HTML, say) is
    // saved as a file of the site, so the section stays small.
    const std::string document = ReplaceDataPictureAddresses(
        text->toString().toStdString(), [this](std::string_view address) { return PictureFileFor(address); });
    return SaveFileAtomically(std::filesystem::path(path.toStdString()), document);
}

QVariant WebEngineSurface::ExecCommand(int id, int option, const QVariant& argument) {
    if (!ready_) return {};
    QWebEnginePage* page = view_->page();
    switch (id) {
        case EditCommand::Cut: page->triggerAction(QWebEnginePage::Cut); return {};
        case EditCommand::Copy: page->triggerAction(QWebEnginePage::Copy); return {};
        case EditCommand::Paste: page->triggerAction(QWebEnginePage::Paste); return {};
        case EditCommand::FindText: findBar_->Open(); return {};
        case EditCommand::FontDialog: RunFontDialog(); return {};
        case EditCommand::HyperlinkDialog: return RunHyperlinkDialog(option, argument);
        case EditCommand::GetBlockFormat: return state_.value(QStringLiteral("blockFormat")).toString();
        case EditCommand::GetBlockFormatNames: return QVariant::fromValue(BlockFormatNames{ClassicBlockFormatNames()});
        case EditCommand::GetFontName: return state_.value(QStringLiteral("fontName")).toString();
        case EditCommand::GetFontSize: return state_.value(QStringLiteral("fontSize")).toInt();
        case EditCommand::InsertTable:
            if (argument.canConvert<InsertTableParam>()) InsertTable(argument.value<InsertTableParam>());
            return {};
        case EditCommand::SetFontSize:
            Change(QStringLiteral("command"), {FromView(NameOfCommand(id)), argument.toInt()});
            return {};
        default:
            if (IsCommand(id)) Change(QStringLiteral("command"), {FromView(NameOfCommand(id)), argument.toString()});
            return {};
    }
}

int WebEngineSurface::QueryStatus(int id) const {
    if (!IsCommand(id)) return CommandStatus::NotSupported;
    if (!ready_) return CommandStatus::Disabled;
    const int status = status_.value(id, CommandStatus::Disabled);
    if (id == EditCommand::Paste && status == CommandStatus::Enabled) {
        const QMimeData* clipboard = QGuiApplication::clipboard()->mimeData();
        const bool hasContent = clipboard && (clipboard->hasText() || clipboard->hasHtml() || clipboard->hasImage());
        return hasContent ? status : CommandStatus::Disabled;
    }
    return status;
}

void WebEngineSurface::InsertTable(const InsertTableParam& table) {
    assert(ready_);  // through ExecCommand only, which runs nothing before the document is ready
    if (table.NumRows < 1 || table.NumCols < 1 || table.NumRows > InsertTableParam::kMaxRows ||
        table.NumCols > InsertTableParam::kMaxCols) {
        return;
    }
    Change(QStringLiteral("insertTable"), {QVariantMap{{QStringLiteral("rows"), table.NumRows},
                                                       {QStringLiteral("columns"), table.NumCols},
                                                       {QStringLiteral("tableAttrs"), table.TableAttrs},
                                                       {QStringLiteral("cellAttrs"), table.CellAttrs},
                                                       {QStringLiteral("caption"), table.Caption}}});
}

void WebEngineSurface::PasteHtmlAtCaret(const QString& html) { Change(QStringLiteral("pasteHtml"), {html}); }

QVariant WebEngineSurface::RunHyperlinkDialog(int option, const QVariant& argument) {
    assert(ready_);  // as InsertTable: the dialog starts from the state the ready document pushed
    if (option == CommandOption::NoPrompt && !argument.toString().isEmpty()) {
        Change(QStringLiteral("setLink"), {argument.toString(), QString()});
        return {};
    }
    const QString href = state_.value(QStringLiteral("linkHref")).toString();
    const QString text = href.isEmpty() ? state_.value(QStringLiteral("selectedText")).toString()
                                        : state_.value(QStringLiteral("linkText")).toString();
    HyperlinkDialog dialog(this, href.isEmpty() ? QStringLiteral("http://") : href, text);
    if (runDialog_(dialog) != QDialog::Accepted || dialog.address().isEmpty()) return {};
    // An unchanged text keeps the selection's own formatting inside the new link.
    Change(QStringLiteral("setLink"), {dialog.address(), dialog.text() == text ? QString() : dialog.text()});
    return {};
}

void WebEngineSurface::RunFontDialog() {
    assert(ready_);  // as RunHyperlinkDialog
    QFont current(state_.value(QStringLiteral("fontName")).toString().section(QLatin1Char(','), 0, 0).trimmed());
    const int htmlSize = state_.value(QStringLiteral("fontSize")).toInt();
    current.setPointSize(kPointsOfHtmlSize[std::clamp(htmlSize, 1, 7) - 1]);
    current.setBold(QueryStatus(EditCommand::Bold) == CommandStatus::Latched);
    current.setItalic(QueryStatus(EditCommand::Italic) == CommandStatus::Latched);
    current.setUnderline(QueryStatus(EditCommand::Underline) == CommandStatus::Latched);
    current.setStrikeOut(Call(QStringLiteral("strikeOut"), {}).value_or(false).toBool());
    QFontDialog dialog(current, this);
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    if (runDialog_(dialog) != QDialog::Accepted) return;
    const QFont chosen = dialog.currentFont();
    Change(QStringLiteral("applyFont"), {QVariantMap{{QStringLiteral("family"), chosen.family()},
                                                     {QStringLiteral("size"), HtmlSizeOfPoints(chosen.pointSize())},
                                                     {QStringLiteral("bold"), chosen.bold()},
                                                     {QStringLiteral("italic"), chosen.italic()},
                                                     {QStringLiteral("underline"), chosen.underline()},
                                                     {QStringLiteral("strikeOut"), chosen.strikeOut()}}});
}

void WebEngineSurface::SetContextMenu(const QStringList& captions, const QList<int>& states) {
    menuCaptions_ = captions;
    menuStates_ = states;
}

void WebEngineSurface::OnContextMenuRequested(const QPoint& position) {
    Call(QStringLiteral("state"), {});  // the right click may have moved the caret
    menuCaptions_.clear();
    menuStates_.clear();
    const QPoint here = view_->mapTo(this, position);
    emit ShowContextMenu(here.x(), here.y());
    if (menuCaptions_.isEmpty()) return;
    contextMenu_->clear();
    for (int i = 0; i < menuCaptions_.size(); ++i) {
        if (menuCaptions_[i].isEmpty()) {
            contextMenu_->addSeparator();
            continue;
        }
        const int state = menuStates_.value(i);
        QAction* action = contextMenu_->addAction(menuCaptions_[i], this, [this, i] { emit ContextMenuAction(i); });
        action->setEnabled((state & 2) == 0);
        action->setCheckable((state & 1) != 0);
        action->setChecked((state & 1) != 0);
    }
    contextMenu_->popup(view_->mapToGlobal(position));
}

void WebEngineSurface::ViewOptionsChanged() {
    if (!ready_) return;  // OnReady applies them
    Call(QStringLiteral("setView"), {QVariantMap{{QStringLiteral("borders"), ShowBorders()},
                                                 {QStringLiteral("details"), ShowDetails()},
                                                 {QStringLiteral("snap"), SnapToGrid()}}});
}

}  // namespace pw
