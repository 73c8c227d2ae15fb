#pragma once
class QWidget;

namespace pw {
// Hands the window to the window manager to be moved with the mouse until the button
// is released, as a press on its caption would.
void DragWindow(QWidget& window);
}  // namespace pw
