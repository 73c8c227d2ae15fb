#include "editor/surface/editing_page.hpp"

namespace pw {

bool EditingPage::acceptNavigationRequest(const QUrl&, NavigationType, bool isMainFrame) {
    if (!isMainFrame) return true;
    const bool allowed = allowNext_;
    allowNext_ = false;
    return allowed;
}

void EditingPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                           const QString& source) {
    if (level == ErrorMessageLevel)
        qWarning("editing surface script: %s (%s:%d)", qPrintable(message), qPrintable(source), line);
}

}  // namespace pw
