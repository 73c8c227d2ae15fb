#pragma once
// A browser pane that shows a local HTML file or a web address.
//
// Local pages come from designs, templates and web hosts, so they are not trusted: the real
// pane serves them through a scheme of its own ("pwpage") that hands out only the files a
// page uses (pages, pictures, style sheets, scripts, fonts) from the page's own folder and
// below, never settings or content files such as ftp.txt; their scripts reach no file URL,
// and the pane keeps them from sending anything to the network.
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
    // Shows a local file that came from a web host, with its scripts off.
    virtual void NavigateWithoutScripts(const QString& file) = 0;
    // True while a page is still loading.
    virtual bool Busy() const = 0;

    // Lays pages out `cssPixels` wide, scaled to fit the pane (390: as a phone shows them);
    // 0 lays them out at the pane's own width, unscaled, as it starts.
    virtual void SetLayoutWidth(int cssPixels) { layoutWidth_ = cssPixels; }
    int LayoutWidth() const { return layoutWidth_; }

signals:
    // A navigation has finished loading (successfully or not).
    void DownloadComplete();

private:
    int layoutWidth_ = 0;
};

// The real pane on Qt WebEngine.
class WebEnginePane final : public WebPane {
    Q_OBJECT
public:
    explicit WebEnginePane(QWidget* parent = nullptr);
    void Navigate(const QString& fileOrAddress) override;
    void NavigateWithoutScripts(const QString& file) override;
    bool Busy() const override { return busy_; }
    void SetLayoutWidth(int cssPixels) override;
    QWebEngineView& view() { return *view_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Show(const QString& fileOrAddress, bool scripts);
    void ApplyLayoutWidth();

    QWebEngineView* view_;
    bool busy_ = false;
};

}  // namespace pw
