#include "platform/platform.hpp"

#include "builder/store/site_files.hpp"
#include "shell/general/files.hpp"

namespace pw {

Platform::Platform(std::filesystem::path inst, Ports ports) : inst_(std::move(inst)), ports_(std::move(ports)) {}

std::unique_ptr<Platform> Platform::Desktop(std::filesystem::path inst, EditorPorts editor) {
    return std::make_unique<Platform>(std::move(inst),
                                      Ports{.dialogs = std::make_unique<QtDialogs>(),
                                            .shell = std::make_unique<DesktopShell>(),
                                            .makeWebPane = [](QWidget* parent) { return new WebEnginePane(parent); },
                                            .makeEditingSurface = std::move(editor.makeEditingSurface),
                                            .makeSpellChecker = std::move(editor.makeSpellChecker)});
}

std::filesystem::path Platform::InstFile(std::string_view name) const { return ResolveInFolder(inst_, name); }

std::filesystem::path Platform::SiteFolderPath() const { return ResolveInFolder(inst_, globals_.siteFolder); }

std::filesystem::path Platform::SiteFile(std::string_view name) const {
    return store::SiteFilePath(inst_, globals_.siteFolder, name);
}

}  // namespace pw
