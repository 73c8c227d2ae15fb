#include "pictures/preview.hpp"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QImageReader>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QStorageInfo>
#include <QTreeView>
#include <algorithm>

#include "pictures/web_picture.hpp"
#include "platform/platform.hpp"
#include "shell/general/copy_file.hpp"
#include "shell/general/hot_spot.hpp"

namespace pw {
namespace {

const QStringList kPicturePatterns = {QStringLiteral("*.jpg"), QStringLiteral("*.gif")};  // "*.jpg;*.gif"

const QString kHelp = QStringLiteral(
    "Double click on picture to view it\r\nPush ADD IT to add to your web page\r\n\r\n"
    "If no pictures are in the box then there are no pictures in that directory\r\n\r\n"
    "exit viewer and load another directory");

// A label with a small arrow picture at its left end, as the commands are drawn.
HotSpot* Command(const char* name, const QString& caption, const QString& toolTip, QRect twips, QWidget* parent) {
    auto* spot = new HotSpot(QString::fromLatin1(name), caption, toolTip, parent);
    spot->setGeometry(twips);
    spot->setStyleSheet(QStringLiteral("color: #1d3557; font-weight: bold;"));
    auto* arrow = new QLabel(QStringLiteral("\u25B6"), parent);  // does nothing
    arrow->setStyleSheet(QStringLiteral("color: #1f8a8a;"));
    arrow->setGeometry(twips.x(), twips.y(), 14, twips.height());
    arrow->setAttribute(Qt::WA_TransparentForMouseEvents);
    return spot;
}

QString WebCopyQuestion(const PictureFacts& facts, qint64 webCopyBytes) {
    return QStringLiteral("This picture is %1 x %2 pixels (%3 MB). Make a copy for the web (about %4 KB)?")
        .arg(facts.size.width())
        .arg(facts.size.height())
        .arg(QString::number(static_cast<double>(facts.bytes) / (1024.0 * 1024.0), 'f', 1))
        .arg(std::max<qint64>(1, (webCopyBytes + 512) / 1024));
}

}  // namespace

QList<Drive> Drives() {
    QList<Drive> drives = {{QStringLiteral("Home (%1)").arg(QDir::homePath()), QDir::homePath()},
                           {QStringLiteral("Computer (/)"), QStringLiteral("/")}};
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady() || volume.rootPath() == QLatin1String("/")) continue;
        const QString name =
            volume.displayName() != volume.rootPath() ? volume.displayName() : QString::fromLocal8Bit(volume.device());
        drives.append({QStringLiteral("%1 (%2)").arg(name, volume.rootPath()), volume.rootPath()});
    }
    return drives;
}

preview::preview(Platform& platform, QWidget* parent) : QDialog(parent), platform_(platform) {
    setObjectName(QStringLiteral("preview"));
    setWindowTitle(QStringLiteral("Add Picture"));
    setModal(true);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(Px(5745), Px(5040));
    setAutoFillBackground(true);
    setPalette(QPalette(Qt::white));
    BuildLists();
    BuildCommands();
}

void preview::BuildLists() {
    Drive1 = new QComboBox(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Drive1->setGeometry(TwipsRect(240, 240, 3975, 315));
    for (const Drive& drive : Drives()) Drive1->addItem(drive.caption, drive.rootPath);
    connect(Drive1, &QComboBox::currentIndexChanged, this, &preview::Drive1_Change);

    folders_ = new QFileSystemModel(this);
    folders_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    dir1 = new QTreeView(this);
    dir1->setObjectName(QStringLiteral("dir1"));
    dir1->setGeometry(TwipsRect(240, 720, 3975, 1215));
    dir1->setModel(folders_);
    dir1->setHeaderHidden(true);
    for (int column = 1; column < folders_->columnCount(); ++column) dir1->hideColumn(column);
    connect(dir1->selectionModel(), &QItemSelectionModel::currentChanged, this, &preview::Dir1_Change);

    File1 = new QListWidget(this);
    File1->setObjectName(QStringLiteral("File1"));
    File1->setGeometry(TwipsRect(240, 2040, 2175, 2625));
    connect(File1, &QListWidget::itemClicked, this, &preview::File1_Click);
    connect(File1, &QListWidget::itemActivated, this, &preview::File1_Click);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(TwipsRect(2640, 2160, 2895, 2655));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void preview::BuildCommands() {
    connect(Command("Label1", QStringLiteral("     Add It!"),
                    QStringLiteral(" Highlight picture the click to Add IT to your web page  "),
                    TwipsRect(4560, 1080, 1815, 255), this),
            &HotSpot::clicked, this, &preview::Label1_Click);
    connect(Command("Label28", QStringLiteral("     Exit"), QStringLiteral("    Exit Add Picture"),
                    TwipsRect(4560, 1440, 1455, 255), this),
            &HotSpot::clicked, this, &preview::Label28_Click);
    connect(HelpIcon(QStringLiteral("Image5"), TwipsRect(4680, 480, 375, 375), this), &QAbstractButton::clicked, this,
            &preview::Image5_Click);

    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);
    ProgressBar->setGeometry(TwipsRect(0, 0, 15375, 135));
}

void preview::Form_Load() {
    // Each opening starts afresh: a name clicked in an earlier opening is no choice now.
    platform_.globals().pickedFile.clear();
    Drive1_Change();
}

void preview::Drive1_Change() { OpenFolder(Drive1->currentData().toString()); }

void preview::OpenFolder(const QString& folder) {
    // The whole drive is the tree's root; a drive that cannot be read gives empty lists
    // that stay usable.
    const QString drive = Drive1->currentData().toString();
    dir1->setRootIndex(folders_->setRootPath(drive));
    dir1->setCurrentIndex(folders_->index(folder));
    folder_ = folder;
    RefreshFiles();
}

void preview::Dir1_Change() {
    const QString folder = folders_->filePath(dir1->currentIndex());
    if (folder.isEmpty() || folder == folder_) return;
    folder_ = folder;
    RefreshFiles();
}

// The pictures of the folder, matched without regard to case.
void preview::RefreshFiles() {
    File1->clear();
    File1->addItems(
        QDir(folder_).entryList(kPicturePatterns, QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase));
}

QString preview::PathOf(const QString& fileName) const {
    return folder_.endsWith(QLatin1Char('/')) ? folder_ + fileName : folder_ + QLatin1Char('/') + fileName;
}

void preview::File1_Click() {
    const QListWidgetItem* item = File1->currentItem();
    if (!item) return;
    const QString name = item->text();
    RefreshFiles();
    const QList<QListWidgetItem*> again = File1->findItems(name, Qt::MatchExactly);
    if (!again.isEmpty()) File1->setCurrentItem(again.first());
    // At its own size, scaled down to fit when larger, never up; a file that is not a
    // picture leaves the preview as it was.
    QImageReader reader(PathOf(name));
    reader.setAutoTransform(true);
    const QImage picture = reader.read();
    if (!picture.isNull()) {
        const QSize room = Image1->size();
        Image1->setPixmap(QPixmap::fromImage(picture.width() > room.width() || picture.height() > room.height()
                                                 ? picture.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                                                 : picture));
    }
    platform_.globals().pickedFile = name.toStdString();
    pickedPath_ = PathOf(name);
}

// A picture too large for a page is offered, once, as a copy made for the web: the JPEG
// to save in its place, or nothing when the user keeps the picture as it is (or it
// cannot be read as a picture, when it is copied as it is too).
std::optional<QByteArray> preview::OfferWebCopy(const QString& picture) {
    const auto facts = ReadPictureFacts(picture);
    if (!facts || !NeedsWebCopy(*facts)) return std::nullopt;
    const auto upright = ReadUpright(picture);
    if (!upright) return std::nullopt;
    QByteArray jpeg = WebJpeg(*upright);  // made first, so the question tells its true size
    if (!platform_.dialogs().AskYesNo(this, WebCopyQuestion(*facts, jpeg.size()))) return std::nullopt;
    return jpeg;
}

void preview::Label1_Click() {
    std::string& picked = platform_.globals().pickedFile;
    if (picked.empty()) return;
    setCursor(Qt::WaitCursor);
    // The picture previewed and named, even when the highlight has moved on since.
    const std::filesystem::path source = ToPath(pickedPath_);
    const std::optional<QByteArray> webCopy = OfferWebCopy(pickedPath_);
    if (webCopy) picked = WebCopyName(QString::fromStdString(picked)).toStdString();  // a GIF's copy is a .jpg
    const std::filesystem::path destination = platform_.SiteFile(picked);
    const CopyCallbacks callbacks{
        .useExisting =
            [this](const std::string& question) {
                return platform_.dialogs().AskYesNo(this, QString::fromStdString(question));
            },
        .progress = [this](int percent) { ProgressBar->setValue(percent); },
    };
    const auto copied =
        webCopy ? SaveNewFile(std::string_view(webCopy->constData(), static_cast<std::size_t>(webCopy->size())),
                              destination, callbacks)
                : CopyFile(source, destination, callbacks);
    if (!copied || *copied == CopyOutcome::Declined) picked.clear();  // nothing to insert
    unsetCursor();
    added_ = true;
    close();
}

void preview::Label28_Click() {
    platform_.globals().pickedFile.clear();
    close();
}

void preview::Image5_Click() {
    platform_.dialogs().Message(this, kHelp, MessageButtons::Ok, MessageIcon::Information,
                                QStringLiteral("Quick Help"));
}

void preview::closeEvent(QCloseEvent* event) {
    if (!added_) platform_.globals().pickedFile.clear();
    QDialog::closeEvent(event);
}

}  // namespace pw
