#include "platform/web_pane.hpp"

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
    view_->load(UrlForFileOrAddress(fileOrAddress));
}

}  // namespace pw
