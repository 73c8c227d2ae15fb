#include "platform/webengine_surface.hpp"

#include <QClipboard>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QFontDialog>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWebChannel>
#include <QWebEngineFindTextResult>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <memory>

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
// content that way, and the content in pieces of this many UTF-16 units.
constexpr qsizetype kMaxDataUrl = 2 * 1024 * 1024;
const QByteArray kDataUrlPrefix = QByteArrayLiteral("data:text/html;charset=UTF-8,");
constexpr qsizetype kBodyPiece = 1024 * 1024;

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

// `body` cut into pieces for the script, never between the two halves of a surrogate pair.
QStringList PiecesOf(const QString& body) {
    QStringList pieces;
    for (qsizetype at = 0; at < body.size();) {
        qsizetype length = std::min(kBodyPiece, body.size() - at);
        if (at + length < body.size() && body[at + length - 1].isHighSurrogate()) --length;
        pieces.append(body.mid(at, length));
        at += length;
    }
    return pieces;
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

const QList<int>& CommandIds() {
    static const QList<int> ids{EditCommand::Bold,
                                EditCommand::Copy,
                                EditCommand::Cut,
                                EditCommand::DeleteCells,
                                EditCommand::DeleteColumns,
                                EditCommand::DeleteRows,
                                EditCommand::FindText,
                                EditCommand::FontDialog,
                                EditCommand::GetBlockFormat,
                                EditCommand::GetBlockFormatNames,
                                EditCommand::GetFontName,
                                EditCommand::GetFontSize,
                                EditCommand::HyperlinkDialog,
                                EditCommand::Indent,
                                EditCommand::InsertCell,
                                EditCommand::InsertColumn,
                                EditCommand::InsertRow,
                                EditCommand::InsertTable,
                                EditCommand::Italic,
                                EditCommand::Centre,
                                EditCommand::LeftJustify,
                                EditCommand::RightJustify,
                                EditCommand::MakeAbsolute,
                                EditCommand::MergeCells,
                                EditCommand::NumberedList,
                                EditCommand::Outdent,
                                EditCommand::Paste,
                                EditCommand::Redo,
                                EditCommand::SelectAll,
                                EditCommand::SendToBack,
                                EditCommand::SetBlockFormat,
                                EditCommand::SetFontName,
                                EditCommand::SetFontSize,
                                EditCommand::SetTextColour,
                                EditCommand::SplitCell,
                                EditCommand::Underline,
                                EditCommand::Undo,
                                EditCommand::BulletedList};
    return ids;
}

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

// The page refuses every main-frame navigation but the loads the surface starts, so a
// refresh header or a clicked link never takes the document away from the editor.
class EditingPage final : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;
    void AllowNextNavigation() { allowNext_ = true; }

protected:
    bool acceptNavigationRequest(const QUrl&, NavigationType, bool isMainFrame) override {
        if (!isMainFrame) return true;
        const bool allowed = allowNext_;
        allowNext_ = false;
        return allowed;
    }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                  const QString& source) override {
        if (level == ErrorMessageLevel)
            qWarning("editing surface script: %s (%s:%d)", qPrintable(message), qPrintable(source), line);
    }

private:
    bool allowNext_ = false;
};

// Our own small dialog for a link: its address and the text that shows it.
class HyperlinkDialog final : public QDialog {
public:
    HyperlinkDialog(QWidget* parent, const QString& address, const QString& text)
        : QDialog(parent), address_(new QLineEdit(address, this)), text_(new QLineEdit(text, this)) {
        setWindowTitle(tr("Hyperlink"));
        address_->setObjectName(QStringLiteral("Address"));
        text_->setObjectName(QStringLiteral("LinkText"));
        address_->setMinimumWidth(320);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        auto* form = new QFormLayout(this);
        form->addRow(tr("Address:"), address_);
        form->addRow(tr("Text:"), text_);
        form->addRow(buttons);
        address_->selectAll();
    }
    QString address() const { return address_->text().trimmed(); }
    QString text() const { return text_->text(); }

private:
    QLineEdit* address_;
    QLineEdit* text_;
};

}  // namespace

// The bar Find Text opens below the document: the engine's own search.
class FindBar final : public QWidget {
public:
    FindBar(QWidget* parent, QWebEnginePage* page)
        : QWidget(parent), page_(page), text_(new QLineEdit(this)), result_(new QLabel(this)) {
        setObjectName(QStringLiteral("FindBar"));
        text_->setObjectName(QStringLiteral("FindText"));
        text_->setPlaceholderText(tr("Find"));
        result_->setObjectName(QStringLiteral("FindResult"));
        auto* next = new QPushButton(tr("Find Next"), this);
        next->setObjectName(QStringLiteral("FindNext"));
        auto* close = new QToolButton(this);
        close->setObjectName(QStringLiteral("FindClose"));
        close->setText(QStringLiteral("\u00d7"));
        close->setToolTip(tr("Close"));
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(4, 2, 4, 2);
        layout->addWidget(text_, 1);
        layout->addWidget(next);
        layout->addWidget(result_);
        layout->addWidget(close);
        connect(text_, &QLineEdit::returnPressed, this, &FindBar::FindNext);
        connect(next, &QPushButton::clicked, this, &FindBar::FindNext);
        connect(close, &QToolButton::clicked, this, &FindBar::Close);
        hide();
    }

    void Open() {
        show();
        text_->setFocus();
        text_->selectAll();
    }

    void FindNext() {
        if (text_->text().isEmpty()) return;
        QPointer<QLabel> result = result_;
        page_->findText(text_->text(), {}, [result](const QWebEngineFindTextResult& found) {
            if (!result) return;
            result->setText(found.numberOfMatches() == 0
                                ? tr("Not found")
                                : tr("%1 of %2").arg(found.activeMatch()).arg(found.numberOfMatches()));
        });
    }

    // Ends the search; the match found last stays selected for editing.
    void Close() {
        page_->findText(QString());
        result_->clear();
        hide();
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape) {
            Close();
            return;
        }
        QWidget::keyPressEvent(event);
    }

private:
    QWebEnginePage* page_;
    QLineEdit* text_;
    QLabel* result_;
};

// What the script calls over QWebChannel. The calls arrive inside one of the engine's own
// tasks, where a nested event loop would starve the engine until the deadline; so they are
// handled (and the surface's signals sent) from Qt's event queue instead, all but the two
// that only hand over data.
class SurfaceBridge final : public QObject {
    Q_OBJECT
public:
    explicit SurfaceBridge(WebEngineSurface* surface) : QObject(surface), surface_(surface) {}

    // The body's content the script asks for piece by piece before it starts editing.
    void SetBody(const QString& body) { bodyPieces_ = PiecesOf(body); }
    // The piece `index` of the body's content; empty past the last one.
    Q_INVOKABLE QString bodyPiece(int index) {
        const QString piece = bodyPieces_.value(index);
        if (piece.isEmpty()) bodyPieces_.clear();  // all handed over
        return piece;
    }
    // A pasted or dropped picture file (its bytes in Base64): the name of the site picture
    // made of it, or empty when it could not be made.
    Q_INVOKABLE QString takePicture(const QString& base64) {
        return surface_->TakePicture(QByteArray::fromBase64(base64.toLatin1()));
    }
    Q_INVOKABLE void ready(const QJsonObject& state) {
        QMetaObject::invokeMethod(
            surface_, [this, state] { surface_->OnReady(state.toVariantMap()); }, Qt::QueuedConnection);
    }
    Q_INVOKABLE void stateChanged(const QJsonObject& state) {
        QMetaObject::invokeMethod(
            surface_, [this, state] { surface_->TakeState(state.toVariantMap()); }, Qt::QueuedConnection);
    }

private:
    WebEngineSurface* surface_;
    QStringList bodyPieces_;
};

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
    page->scripts().insert(ApplicationWorldScript(QStringLiteral("pagewright-editing"),
                                                  ReadResource(QStringLiteral(":/pagewright/editing_surface.js"))));
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
    for (auto it = status.cbegin(); it != status.cend(); ++it) status_.insert(it.key().toInt(), it.value().toInt());
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
        case EditCommand::SetFontSize: Change(QStringLiteral("command"), {id, argument.toInt()}); return {};
        default:
            if (CommandIds().contains(id)) Change(QStringLiteral("command"), {id, argument.toString()});
            return {};
    }
}

int WebEngineSurface::QueryStatus(int id) const {
    if (!CommandIds().contains(id)) return CommandStatus::NotSupported;
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

#include "webengine_surface.moc"
