#pragma once
// The help viewer: a sizable window with a browser pane on the installed help pages,
// starting at foundry.htm in the installation folder. The caption reads "Working..."
// while a navigation it started is still loading.
#include <QWidget>

class QComboBox;
class QLabel;
class QTimer;
class QToolBar;

namespace pw {

class Platform;
class WebPane;

class Help : public QWidget {
    Q_OBJECT
public:
    // Builds the window at its design size without showing it. Deleted when closed.
    explicit Help(Platform& platform, QWidget* parent = nullptr);

    // The viewer for every "&Help" command: the open one (there is one per process),
    // brought to the front where it stands and left on its current page; or else a new
    // one, placed beside `opener` (when given) before it is first shown, then loaded
    // (and so shown) on the start page.
    static Help* Open(Platform& platform, const QWidget* opener = nullptr);

    // Shows the window, lays it out, sets the caption, starts the busy timer and
    // navigates to the start page.
    void Form_Load();
    // Address box and browser follow the window's inner size; sizes that would come
    // out negative on a very small window are applied as zero.
    void Form_Resize();
    void brwWebBrowser_DownloadComplete();
    // While the browser is busy the caption reads "Working..."; once idle the timer stops.
    void timTimer_Timer();
    // Navigates to the address box's text.
    void cboAddress_Click();
    // Enter (13) navigates as cboAddress_Click does; other keys type as usual.
    void cboAddress_KeyPress(int keyAscii);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildAddressStrip();

    Platform& platform_;
    QToolBar* tbToolBar;
    QWidget* picAddress;
    QLabel* Label1;
    QLabel* lblAddress;
    QComboBox* cboAddress;
    WebPane* brwWebBrowser;
    QTimer* timTimer;
};

}  // namespace pw
