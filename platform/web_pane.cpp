#include "platform/web_pane.hpp"

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
    connect(view_, &QWebEngineView::loadFinished, this, [this] {
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

}  // namespace pw
