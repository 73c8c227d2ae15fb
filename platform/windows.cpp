#include "platform/windows.hpp"

#include "platform/platform.hpp"

namespace pw {

QWidget* OpenInPlaceOf(QWidget& from, Platform& platform, WindowKind target) {
    from.setCursor(Qt::WaitCursor);
    QWidget* window = platform.windows().Load(target, platform, from);
    if (window) {
        window->move(from.pos());
        window->show();
    }
    from.unsetCursor();
    if (window) from.close();
    return window;
}

QWidget* OpenBeside(QWidget& opener, Platform& platform, WindowKind target) {
    return platform.windows().Load(target, platform, opener);
}

}  // namespace pw
