#include "platform/web_pane.hpp"

#include <algorithm>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>
#include <QWebEngineView>

namespace pw {

QUrl UrlForFileOrAddress(const QString& fileOrAddress) {
    if (fileOrAddress.startsWith(QLatin1Char('/'))) return QUrl::fromLocalFile(fileOrAddress);
    if (QFileInfo::exists(fileOrAddress)) return QUrl::fromLocalFile(QFileInfo(fileOrAddress).absoluteFilePath());
    return QUrl::fromUserInput(fileOrAddress);
}

namespace {

const QByteArray kScheme = QByteArrayLiteral("pwpage");

// The scheme has to be known before the application object exists; every program that can
// make this pane links this file, so it is registered as the program starts.
const bool kSchemeRegistered = [] {
    QWebEngineUrlScheme scheme(kScheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    QWebEngineUrlScheme::registerScheme(scheme);
    return true;
}();

// What a page may load, by extension, and as what. The installation's own pages
// (logo.htx, qhelp.htx...) are HTML under another extension.
QByteArray MimeTypeOf(const QString& file) {
    static const QHash<QString, QByteArray> kTypes = {
        {QStringLiteral("html"), "text/html"},     {QStringLiteral("htm"), "text/html"},
        {QStringLiteral("htx"), "text/html"},      {QStringLiteral("css"), "text/css"},
        {QStringLiteral("js"), "text/javascript"}, {QStringLiteral("gif"), "image/gif"},
        {QStringLiteral("jpg"), "image/jpeg"},     {QStringLiteral("jpeg"), "image/jpeg"},
        {QStringLiteral("png"), "image/png"},      {QStringLiteral("bmp"), "image/bmp"},
        {QStringLiteral("svg"), "image/svg+xml"},  {QStringLiteral("webp"), "image/webp"},
        {QStringLiteral("ico"), "image/x-icon"},   {QStringLiteral("woff"), "font/woff"},
        {QStringLiteral("woff2"), "font/woff2"},   {QStringLiteral("ttf"), "font/ttf"},
    };
    return kTypes.value(QFileInfo(file).suffix().toLower());
}

// Said first in every page: nothing but the pane's own scheme (and data the page holds)
// may be loaded or connected to, so a script has no way to send what it sees.
constexpr char kPolicy[] =
    "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src pwpage: data: blob: 'unsafe-inline' "
    "'unsafe-eval'; form-action 'none'\">";

// The policy placed after a leading doctype, which must stay first for the page to be laid
// out in standards mode.
QByteArray WithPolicy(const QByteArray& page) {
    qsizetype at = 0;
    const QByteArray start = page.left(512).trimmed().toLower();
    if (start.startsWith("<!doctype")) at = page.indexOf('>', page.toLower().indexOf("<!doctype")) + 1;
    return page.left(at) + kPolicy + page.mid(at);
}

// Serves pwpage://<folder token>/<path>: a file of the folder the token stands for, or of a
// folder below it, when its kind is one a page may load.
class PageFiles final : public QWebEngineUrlSchemeHandler {
public:
    // The page's address; `file` absolute.
    QUrl UrlFor(const QString& file) {
        const QFileInfo info(file);
        const QString folder = info.absoluteDir().canonicalPath();
        QString token = tokens_.key(folder);
        if (token.isEmpty()) {
            token = QStringLiteral("f%1").arg(tokens_.size() + 1);
            tokens_.insert(token, folder);
        }
        QUrl url;
        url.setScheme(QString::fromLatin1(kScheme));
        url.setHost(token);
        url.setPath(QLatin1Char('/') + info.fileName());
        return url;
    }

    void requestStarted(QWebEngineUrlRequestJob* job) override {
        const QString root = tokens_.value(job->requestUrl().host());
        const QFileInfo asked(root + job->requestUrl().path());
        if (root.isEmpty() || !asked.exists()) return job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        const QString file = asked.canonicalFilePath();
        const QByteArray type = MimeTypeOf(file);
        // Inside the folder even through links, and a kind a page may load.
        if (!file.startsWith(root + QLatin1Char('/')) || type.isEmpty()) {
            return job->fail(QWebEngineUrlRequestJob::RequestDenied);
        }
        QFile source(file);
        if (!source.open(QIODevice::ReadOnly)) return job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        QByteArray bytes = source.readAll();
        if (type == "text/html") bytes = WithPolicy(bytes);
        auto* reply = new QBuffer(job);
        reply->setData(bytes);
        job->reply(type, reply);
    }

private:
    QHash<QString, QString> tokens_;  // token -> canonical folder
};

PageFiles& Pages() {
    static PageFiles* handler = [] {
        (void)kSchemeRegistered;
        auto* files = new PageFiles;  // lives as long as the profile
        QWebEngineProfile::defaultProfile()->installUrlSchemeHandler(kScheme, files);
        return files;
    }();
    return *handler;
}

// A local page may follow its own links, and the user may type an address; it may not
// send itself (or what it read) elsewhere by script, redirect or form.
class PanePage final : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool) override {
        if (url.scheme() == QString::fromLatin1(kScheme) || type == NavigationTypeTyped) return true;
        const bool fromLocalPage = this->url().scheme() == QString::fromLatin1(kScheme);
        return !fromLocalPage || type == NavigationTypeLinkClicked;
    }
};

}  // namespace

WebEnginePane::WebEnginePane(QWidget* parent) : WebPane(parent), view_(new QWebEngineView(this)) {
    auto* page = new PanePage(QWebEngineProfile::defaultProfile(), view_);
    QWebEngineSettings* settings = page->settings();
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    view_->setPage(page);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    connect(view_, &QWebEngineView::loadStarted, this, [this] { busy_ = true; });
    // The engine may reset the zoom on a new page; the layout width holds for every page.
    connect(view_, &QWebEngineView::loadStarted, this, &WebEnginePane::ApplyLayoutWidth);
    connect(view_, &QWebEngineView::loadFinished, this, [this] {
        ApplyLayoutWidth();
        busy_ = false;
        emit DownloadComplete();
    });
}

void WebEnginePane::Navigate(const QString& fileOrAddress) { Show(fileOrAddress, true); }

void WebEnginePane::NavigateWithoutScripts(const QString& file) { Show(file, false); }

void WebEnginePane::Show(const QString& fileOrAddress, bool scripts) {
    busy_ = true;
    view_->page()->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, scripts);
    const QUrl url = UrlForFileOrAddress(fileOrAddress);
    view_->load(url.isLocalFile() ? Pages().UrlFor(url.toLocalFile()) : url);
}

void WebEnginePane::SetLayoutWidth(int cssPixels) {
    WebPane::SetLayoutWidth(cssPixels);
    ApplyLayoutWidth();
}

void WebEnginePane::resizeEvent(QResizeEvent* event) {
    WebPane::resizeEvent(event);
    ApplyLayoutWidth();
}

// A page is laid out as wide as the view is, divided by its zoom: zooming to the view's
// width over the layout width lays it out at that width and scales it to fit.
void WebEnginePane::ApplyLayoutWidth() {
    constexpr double kLeastZoom = 0.25, kMostZoom = 5.0;  // what the engine accepts
    const double zoom = LayoutWidth() > 0 && width() > 0
                            ? std::clamp(static_cast<double>(width()) / LayoutWidth(), kLeastZoom, kMostZoom)
                            : 1.0;
    if (!qFuzzyCompare(view_->zoomFactor(), zoom)) view_->setZoomFactor(zoom);
}

}  // namespace pw
