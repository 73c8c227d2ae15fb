#include "platform/windows.hpp"

#include "platform/platform.hpp"

#include <QApplication>

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

namespace {

QWidget* OpenMainMenu() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == QLatin1String("start") && window->isVisible()) return window;
    }
    return nullptr;
}

}  // namespace

QWidget* ShowMainMenu(Platform& platform, QWidget& from) {
    QWidget* menu = OpenMainMenu();
    if (!menu) menu = platform.windows().Load(WindowKind::start, platform, from);
    if (menu) {
        menu->show();
        menu->raise();
    }
    return menu;
}

void CloseMainMenu() {
    if (QWidget* menu = OpenMainMenu()) menu->close();
}

QWidget* OpenBeside(QWidget& opener, Platform& platform, WindowKind target) {
    return platform.windows().Load(target, platform, opener);
}

}  // namespace pw
