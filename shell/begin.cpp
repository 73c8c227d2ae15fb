#include "shell/begin.hpp"

#include <QGuiApplication>
#include <QLineEdit>
#include <QProgressBar>
#include <QScreen>
#include <QTextEdit>
#include <array>

#include "builder/store/rtf.hpp"
#include "builder/store/site_files.hpp"
#include "platform/platform.hpp"
#include "shell/general/copy_file.hpp"
#include "shell/general/form_fields.hpp"
#include "shell/general/hot_spot.hpp"
#include "shell/start.hpp"

namespace pw {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kSeedText = "Kw5 SiteFoundry";
constexpr std::array kSeedFieldFiles = {"oneBox.txt", "twoBox.txt", "threeBox.txt", "pagebox.txt", "ftp.txt"};
constexpr std::array kSeedSections = {"rtemp1.txt", "rtemp31.txt", "rtemp2.txt", "rtemp32.txt",
                                      "rtemp3.txt", "rtemp33.txt", "ftpbeta.txt"};
constexpr std::array kSeedCopies = {"stock", "temp311.htx", "graf1.gif", "graf2.jpg"};

}  // namespace

void CentreOnScreen(QWidget& window) {
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->geometry();
    window.move(area.x() + (area.width() - window.width()) / 2, area.y() + (area.height() - window.height()) / 2);
}

begin::begin(Platform& platform, QWidget* parent)
    : QWidget(parent),
      platform_(platform),
      Text1(new QLineEdit(this)),
      RichTextBox1(new QTextEdit(this)),
      ProgressBar(new QProgressBar(this)) {
    setObjectName(QStringLiteral("begin"));
    // The only tagged field: a save of this window writes exactly one empty record.
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setProperty("tag", QStringLiteral("T"));
    RichTextBox1->setObjectName(QStringLiteral("RichTextBox1"));
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setRange(0, 100);
}

void begin::Form_Load() {
    resize(Px(9600), Px(7850));
    CentreOnScreen(*this);
    RichTextBox1->setPlainText(QString::fromUtf8(kSeedText.data(), kSeedText.size()));
    platform_.globals().siteFolder = "default";

    std::error_code ec;
    // A folder or a plain file of that name: either way the site is left exactly as it is.
    if (!fs::exists(platform_.InstFile("default"), ec)) PrepareDefaultSite();

    auto* menu = new start(platform_);
    menu->Form_Load();
    menu->show();
}

void begin::PrepareDefaultSite() {
    std::error_code ec;
    fs::create_directory(platform_.inst() / "default", ec);
    fs::current_path(platform_.inst(), ec);
    SaveSeedFieldFiles();
    SaveSeedSections();
    CopySeedFiles();
}

void begin::SaveSeedFieldFiles() {
    for (const char* name : kSeedFieldFiles) {
        // The FTP settings will hold a password: readable by their owner only.
        const fs::perms perms = std::string_view(name) == "ftp.txt" ? kOwnerOnly : kSharedReadable;
        (void)SaveFormFields(*this, platform_.inst(), std::string("\\default\\") + name, perms);
    }
}

void begin::SaveSeedSections() {
    const std::string rtf = store::WriteRtf(RichTextBox1->toPlainText().toStdString());
    const fs::path site = platform_.inst() / "default";
    for (const char* name : kSeedSections) (void)store::SaveFileAtomically(site / name, rtf);
    (void)store::SaveFileAtomically(platform_.inst() / "Default.ste", rtf);
}

void begin::CopySeedFiles() {
    const CopyCallbacks callbacks{.useExisting = {}, .progress = [this](int percent) { ProgressBar->setValue(percent); }};
    for (const char* name : kSeedCopies) {
        (void)CopyFile(platform_.InstFile(name), platform_.inst() / "default" / name, callbacks);
    }
}

}  // namespace pw
