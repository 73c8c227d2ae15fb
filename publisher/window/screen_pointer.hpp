#pragma once
// The pointer over every window of the program while a command runs (the hourglass, or
// the arrow with the hourglass). Scoped: the pointer in use before comes back when the
// scope ends, whichever way it ends.
#include <QGuiApplication>

namespace pw {

class ScreenPointer {
public:
    explicit ScreenPointer(Qt::CursorShape shape) { QGuiApplication::setOverrideCursor(shape); }
    ~ScreenPointer() { QGuiApplication::restoreOverrideCursor(); }
    ScreenPointer(const ScreenPointer&) = delete;
    ScreenPointer& operator=(const ScreenPointer&) = delete;

    // Changes the shape for the rest of the scope.
    void Set(Qt::CursorShape shape) { QGuiApplication::changeOverrideCursor(shape); }
};

}  // namespace pw
