#include "platform/windows.hpp"

#include "platform/platform.hpp"

namespace pw {

QWidget* OpenInPlaceOf(QWidget& from, Platform& platform, WindowKind target,
                       const std::function<void(QWidget&)>& whenShown) {
    from.setCursor(Qt::WaitCursor);
    QWidget* window = platform.windows().Load(target, platform, from);
    if (window) {
        window->move(from.pos());
        window->show();
        if (whenShown) whenShown(*window);
    }
    from.unsetCursor();
    if (window) from.close();
    return window;
}

QWidget* OpenBeside(QWidget& opener, Platform& platform, WindowKind target) {
    return platform.windows().Load(target, platform, opener);
}

}  // namespace pw
