#pragma once
// The program's windows by kind, so a window can open another without depending on
// its class: the program registers how each kind is made; tests register their own.
#include <QWidget>
#include <functional>
#include <map>

namespace pw {

class Platform;

enum class WindowKind { start, magic, submit, FTPLogin, Main, MainForm, preview, Help };

// Makes a window of one kind and runs its load handler; the window is not yet shown.
using WindowMaker = std::function<QWidget*(Platform&)>;

class WindowRegistry {
public:
    void Register(WindowKind kind, WindowMaker maker) { makers_[kind] = std::move(maker); }
    bool Has(WindowKind kind) const { return makers_.contains(kind); }
    // A newly loaded window of that kind, or nullptr when none is registered.
    QWidget* Load(WindowKind kind, Platform& platform) const {
        const auto maker = makers_.find(kind);
        return maker == makers_.end() ? nullptr : maker->second(platform);
    }

private:
    std::map<WindowKind, WindowMaker> makers_;
};

}  // namespace pw
