#include "shell/begin.hpp"

#include <QProgressBar>

#include "builder/store/site_files.hpp"
#include "platform/platform.hpp"
#include "shell/general/hot_spot.hpp"
#include "shell/start.hpp"

namespace pw {
namespace fs = std::filesystem;

begin::begin(Platform& platform, QWidget* parent)
    : QWidget(parent), platform_(platform), ProgressBar(new QProgressBar(this)) {
    setObjectName(QStringLiteral("begin"));
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setRange(0, 100);
}

void begin::Form_Load() {
    resize(Px(9600), Px(7850));
    CentreOnScreen(*this);
    platform_.globals().siteFolder = std::string(store::kDefaultSite);

    std::error_code ec;
    // A folder or a plain file of that name: either way the site is left exactly as it is.
    if (!fs::exists(platform_.InstFile(store::kDefaultSite), ec)) {
        fs::current_path(platform_.inst(), ec);
        const CopyCallbacks copying{.useExisting = {},
                                    .progress = [this](int percent) { ProgressBar->setValue(percent); }};
        (void)store::PrepareDefaultSite(platform_.inst(), copying);  // a failed start is prepared again next time
    }

    auto* menu = new start(platform_);
    menu->Form_Load();
    menu->show();
}

}  // namespace pw
