#pragma once
// How one window hands over to another.
#include "platform/windows.hpp"

namespace pw {

class Platform;

// Opens `target` where `from` stands, modeless, then unloads `from`: the busy pointer
// shows meanwhile. Returns the new window, or nullptr when that kind is not available
// (then `from` stays).
QWidget* OpenInPlaceOf(QWidget& from, Platform& platform, WindowKind target);

// Opens `target` beside its opener, modeless, leaving the opener as it is.
QWidget* OpenBeside(QWidget& opener, Platform& platform, WindowKind target);

}  // namespace pw
