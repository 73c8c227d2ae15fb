#pragma once
// A browser pane that shows a local HTML file or a web address.
#include <QUrl>
#include <QWidget>

class QWebEngineView;

namespace pw {

// A local path (absolute, or relative to the current folder when such a file exists) as a
// file URL; anything else taken as a web address.
QUrl UrlForFileOrAddress(const QString& fileOrAddress);

class WebPane : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    // Shows a local file path or an address.
    virtual void Navigate(const QString& fileOrAddress) = 0;
    // True while a page is still loading.
    virtual bool Busy() const = 0;

signals:
    // A navigation has finished loading (successfully or not).
    void DownloadComplete();
};

// The real pane on Qt WebEngine.
class WebEnginePane final : public WebPane {
    Q_OBJECT
public:
    explicit WebEnginePane(QWidget* parent = nullptr);
    void Navigate(const QString& fileOrAddress) override;
    bool Busy() const override { return busy_; }
    QWebEngineView& view() { return *view_; }

private:
    QWebEngineView* view_;
    bool busy_ = false;
};

}  // namespace pw
