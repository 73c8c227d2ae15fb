#include "platform/web_pane.hpp"

#include <algorithm>

#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineView>

namespace pw {

QUrl UrlForFileOrAddress(const QString& fileOrAddress) {
    if (fileOrAddress.startsWith(QLatin1Char('/'))) return QUrl::fromLocalFile(fileOrAddress);
    if (QFileInfo::exists(fileOrAddress)) return QUrl::fromLocalFile(QFileInfo(fileOrAddress).absoluteFilePath());
    return QUrl::fromUserInput(fileOrAddress);
}

namespace {

bool IsHtmlName(const QString& name) {
    return name.endsWith(QLatin1String(".html"), Qt::CaseInsensitive) ||
           name.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive);
}

}  // namespace

WebEnginePane::WebEnginePane(QWidget* parent) : WebPane(parent), view_(new QWebEngineView(this)) {
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

void WebEnginePane::Navigate(const QString& fileOrAddress) {
    busy_ = true;
    const QUrl url = UrlForFileOrAddress(fileOrAddress);
    // The installation's own pages (logo.htx, qhelp.htx...) are HTML under another
    // extension, which the browser would show as plain text.
    QFile file(url.toLocalFile());
    const bool htmlUnderOtherName = url.isLocalFile() && !IsHtmlName(url.fileName()) && file.open(QIODevice::ReadOnly);
    if (htmlUnderOtherName) {
        view_->setHtml(QString::fromUtf8(file.readAll()), url);
    } else {
        view_->load(url);
    }
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
