#include "shell/general/drag_window.hpp"

#include <QWidget>
#include <QWindow>

namespace pw {

void DragWindow(QWidget& window) {
    if (QWindow* handle = window.window()->windowHandle()) handle->startSystemMove();
}

}  // namespace pw
