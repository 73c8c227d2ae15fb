#pragma once
// The web page the editing surface edits its document in.
#include <QWebEnginePage>

namespace pw {

// The page refuses every main-frame navigation but the loads the surface starts, so a
// refresh header or a clicked link never takes the document away from the editor. Errors
// of the surface's own script are passed on as warnings.
class EditingPage final : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;
    void AllowNextNavigation() { allowNext_ = true; }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                  const QString& source) override;

private:
    bool allowNext_ = false;
};

}  // namespace pw
