#include "platform/platform.hpp"

#include <QFileInfo>
#include <QUrl>

#include "builder/store/site_files.hpp"
#include "platform/webengine_surface.hpp"
#include "shell/general/files.hpp"

namespace pw {

Platform::Platform(std::filesystem::path inst, std::unique_ptr<Dialogs> dialogs, std::unique_ptr<Shell> shell,
                   WebPaneFactory makeWebPane, EditingSurfaceFactory makeEditingSurface)
    : inst_(std::move(inst)),
      dialogs_(std::move(dialogs)),
      shell_(std::move(shell)),
      makeWebPane_(std::move(makeWebPane)),
      makeEditingSurface_(std::move(makeEditingSurface)) {}

std::unique_ptr<Platform> Platform::Desktop(std::filesystem::path inst) {
    return std::make_unique<Platform>(std::move(inst), std::make_unique<QtDialogs>(), std::make_unique<DesktopShell>(),
                                      [](QWidget* parent) { return new WebEnginePane(parent); },
                                      [](QWidget* parent) { return new WebEngineSurface(parent); });
}

std::filesystem::path Platform::InstFile(std::string_view name) const { return ResolveInFolder(inst_, name); }

std::filesystem::path Platform::SiteFolderPath() const { return ResolveInFolder(inst_, globals_.siteFolder); }

std::filesystem::path Platform::SiteFile(std::string_view name) const {
    return store::SiteFilePath(inst_, globals_.siteFolder, name);
}

QUrl UrlForFileOrAddress(const QString& fileOrAddress) {
    if (fileOrAddress.startsWith(QLatin1Char('/'))) return QUrl::fromLocalFile(fileOrAddress);
    if (QFileInfo::exists(fileOrAddress)) return QUrl::fromLocalFile(QFileInfo(fileOrAddress).absoluteFilePath());
    return QUrl::fromUserInput(fileOrAddress);
}

}  // namespace pw
