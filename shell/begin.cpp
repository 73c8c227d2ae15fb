#include "shell/begin.hpp"

#include <QProgressBar>

#include "builder/store/site_files.hpp"
#include "platform/platform.hpp"
#include "shell/general/hot_spot.hpp"
#include "shell/start.hpp"

namespace pw {
namespace fs = std::filesystem;

namespace {

QString SiteNotPreparedText(const store::SeedFailure& failure) {
    return QStringLiteral(
               "Your site \"%1\" could not be prepared, at %2:\n%3.\n\n"
               "The next start of the program will try again.")
        .arg(FromUtf8(store::kDefaultSite), ToQString(failure.file), QString::fromStdString(failure.reason.message()));
}

}  // namespace

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
    store::SeedResult prepared;
    // A folder or a plain file of that name: either way the site is left exactly as it is.
    if (!fs::exists(platform_.InstFile(store::kDefaultSite), ec)) {
        fs::current_path(platform_.inst(), ec);
        const CopyCallbacks copying{.useExisting = {},
                                    .progress = [this](int percent) { ProgressBar->setValue(percent); }};
        prepared = store::PrepareDefaultSite(platform_.inst(), copying);
    }

    auto* menu = new start(platform_);
    menu->Form_Load();
    menu->show();
    // Told once, over the menu: without it every save would fail later with no clue why.
    if (!prepared) {
        platform_.dialogs().Message(menu, SiteNotPreparedText(prepared.error()), MessageButtons::Ok,
                                    MessageIcon::Exclamation);
    }
}

}  // namespace pw
