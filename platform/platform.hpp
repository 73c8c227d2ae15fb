#pragma once
// Everything a window needs from outside the program: the installation folder, the
// process-wide strings the windows share, and the platform ports. Windows receive it
// at construction; tests build one from doubles.
#include <QString>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "builder/store/site_files.hpp"
#include "platform/dialogs.hpp"
#include "platform/shell_port.hpp"
#include "platform/web_pane.hpp"
#include "platform/windows.hpp"

namespace pw {

// The editor's own ports (editor/surface, editor/spell/window). The platform only carries
// their makers to the editor's window, so it needs nothing of the editor but the names.
class EditingSurface;
class SpellChecker;

// The strings every window shares.
struct Globals {
    std::string siteFolder{store::kDefaultSite};  // name (not path) of the current site's folder
    std::string currentPage;                      // "one", "two", "three"; empty counts as "one"
    std::string editedBody;                       // an edited section on its way back to the builder
    std::string pickedFile;                       // picture chosen in the picture browser; empty: none

    // The page currentPage names: its one reading, empty counting as page one.
    store::Page page() const { return store::PageFromWord(currentPage); }
    void SetPage(store::Page page) { currentPage = std::string(store::WordOf(page)); }
    // An empty currentPage becomes "one", as the builder and generation settle it.
    void FillEmptyPage() {
        if (currentPage.empty()) SetPage(store::Page::One);
    }
};

using WebPaneFactory = std::function<WebPane*(QWidget* parent)>;
using EditingSurfaceFactory = std::function<EditingSurface*(QWidget* parent)>;
// Shared rather than unique only so that the checker's type need be complete where one is
// made, not here.
using SpellCheckerFactory = std::function<std::shared_ptr<SpellChecker>()>;

// The editor's port makers; the editor gives the desktop's (DesktopEditorPorts).
struct EditorPorts {
    EditingSurfaceFactory makeEditingSurface;
    SpellCheckerFactory makeSpellChecker;
};

// The platform's ports: the real ones on the desktop, or doubles in tests.
struct Ports {
    std::unique_ptr<Dialogs> dialogs;
    std::unique_ptr<Shell> shell;
    WebPaneFactory makeWebPane;
    EditingSurfaceFactory makeEditingSurface;
    SpellCheckerFactory makeSpellChecker;
};

class Platform {
public:
    Platform(std::filesystem::path inst, Ports ports);

    // The real ports on Qt and the desktop, with the editor's.
    static std::unique_ptr<Platform> Desktop(std::filesystem::path inst, EditorPorts editor);

    const std::filesystem::path& inst() const { return inst_; }
    Globals& globals() { return globals_; }
    Dialogs& dialogs() { return *ports_.dialogs; }
    Shell& shell() { return *ports_.shell; }
    WebPane* CreateWebPane(QWidget* parent) { return ports_.makeWebPane(parent); }
    EditingSurface* CreateEditingSurface(QWidget* parent) { return ports_.makeEditingSurface(parent); }
    // A spell checker with the user dictionary <inst>/KW5.dct, for one editor window.
    std::shared_ptr<SpellChecker> CreateSpellChecker() { return ports_.makeSpellChecker(); }
    WindowRegistry& windows() { return windows_; }

    // <inst>/<name>, and <inst>/<siteFolder>/<name>, names resolved without regard to case.
    std::filesystem::path InstFile(std::string_view name) const;
    std::filesystem::path SiteFile(std::string_view name) const;
    std::filesystem::path SiteFolderPath() const;

private:
    std::filesystem::path inst_;
    Globals globals_;
    Ports ports_;
    WindowRegistry windows_;
};

// For the Qt side: a std::filesystem::path as a QString and back.
inline QString ToQString(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }
inline std::filesystem::path ToPath(const QString& path) { return std::filesystem::path(path.toStdString()); }
// UTF-8 text of the core as a QString.
inline QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace pw
