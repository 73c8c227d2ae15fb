#pragma once
// The program's windows by kind, so a window can open another without depending on
// its class: the program registers how each kind is made; tests register their own.
#include <QWidget>
#include <functional>
#include <map>

namespace pw {

class Platform;

enum class WindowKind { start, magic, submit, FTPLogin, Main, MainForm, preview, Help };

// Makes a window of one kind for `opener` and runs its load handler. A window that takes
// another's place is returned unshown, for the caller to position and show; a window
// opened beside its opener places and shows itself, or, when one is open already, only
// comes to the front.
using WindowMaker = std::function<QWidget*(Platform&, QWidget& opener)>;

class WindowRegistry {
public:
    void Register(WindowKind kind, WindowMaker maker) { makers_[kind] = std::move(maker); }
    bool Has(WindowKind kind) const { return makers_.contains(kind); }
    // The window of that kind made for `opener`, or nullptr when none is registered.
    QWidget* Load(WindowKind kind, Platform& platform, QWidget& opener) const {
        const auto maker = makers_.find(kind);
        return maker == makers_.end() ? nullptr : maker->second(platform, opener);
    }

private:
    std::map<WindowKind, WindowMaker> makers_;
};

// Opens `target` where `from` stands, modeless, runs `whenShown` on it, then unloads
// `from`: the busy pointer shows meanwhile. Returns the new window, or nullptr when that
// kind is not available (then `from` stays).
QWidget* OpenInPlaceOf(QWidget& from, Platform& platform, WindowKind target,
                       const std::function<void(QWidget&)>& whenShown = {});

// Shows the main menu: the one that is open, else a new one (which centres itself).
QWidget* ShowMainMenu(Platform& platform, QWidget& from);

// Closes (unloads) the main menu when one is open.
void CloseMainMenu();

// Opens `target` beside its opener, modeless, leaving the opener as it is: the window
// places and shows itself (the help viewer next to its opener); one already open only
// comes to the front and stays where the user put it.
QWidget* OpenBeside(QWidget& opener, Platform& platform, WindowKind target);

}  // namespace pw
