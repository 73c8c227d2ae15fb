#include "designpack/app/installer_dialog.hpp"

#include <QApplication>
#include <QBuffer>
#include <QDesktopServices>
#include <QFileDialog>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QThread>
#include <QUrl>
#include <chrono>

#include "designpack/app/file_exists_dialog.hpp"

namespace pw::designpack {

namespace {

// Dialog units of an 8-point MS Sans Serif dialog: base units 6 x 13 pixels.
QRect Dlu(int x, int y, int width, int height) { return QRect(x * 6 / 4, y * 13 / 8, width * 6 / 4, height * 13 / 8); }

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QFont PaintFont(const char* family, QFont::StyleHint hint) {
    QFont font(family);
    font.setStyleHint(hint);
    font.setPixelSize(15);
    return font;
}

constexpr int kInformationTop = 138;
constexpr int kLinkTop = 153;
constexpr int kStandardIconSize = 32;

}  // namespace

QPixmap PickIconImage(std::span<const std::uint8_t> icoBytes) {
    QByteArray bytes(reinterpret_cast<const char*>(icoBytes.data()), static_cast<qsizetype>(icoBytes.size()));
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, "ico");
    QImage chosen;
    for (int i = 0; i < std::max(reader.imageCount(), 1); ++i) {
        if (!reader.jumpToImage(i) && i > 0) break;
        QImage image = reader.read();
        if (image.isNull()) continue;
        chosen = image;
        if (image.width() == kStandardIconSize && image.height() == kStandardIconSize) break;
    }
    return QPixmap::fromImage(chosen);
}

ProgressBar::ProgressBar(QWidget* parent) : QWidget(parent) {}

void ProgressBar::SetValues(std::uint64_t done, std::uint64_t total) {
    done_ = done;
    total_ = total;
    // update() belongs to the widget's thread; from the worker it is posted there.
    QMetaObject::invokeMethod(
        this, [this] { update(); }, Qt::AutoConnection);
}

QString ProgressBar::PercentText(std::uint64_t done, std::uint64_t total) {
    return QString::number(total == 0 ? 0 : done * 100 / total) + "%";
}

void ProgressBar::paintEvent(QPaintEvent*) {
    std::uint64_t done = done_, total = total_;
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    // Values from a script may claim more than the total; the bar never overflows.
    std::uint64_t shown = std::min(done, total);
    int filled = total == 0 ? 0 : static_cast<int>(static_cast<std::uint64_t>(width()) * shown / total);
    painter.fillRect(QRect(0, 0, filled, height()), palette().highlight());
    QFont font = PaintFont("Ariel", QFont::SansSerif);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(palette().highlightedText().color());
    painter.drawText(rect(), Qt::AlignCenter, PercentText(done, total));
    painter.setPen(palette().mid().color());
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

InstallerDialog::InstallerDialog() {
    setObjectName("Unfurl");
    setFixedSize(Dlu(0, 0, 251, 111).size());
    QFont dialogFont = font();  // the 8-point dialog font the layout's dialog units assume
    dialogFont.setPixelSize(11);
    setFont(dialogFont);
    setMouseTracking(true);

    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label1->setGeometry(Dlu(31, 7, 213, 35));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Label2 = new QLabel("Expand to:", this);
    Label2->setObjectName("Label2");
    Label2->setGeometry(Dlu(7, 48, 41, 10));  // wide enough for the colon in this font
    Label2->hide();

    Text1 = new QLineEdit(this);
    Text1->setObjectName("Text1");
    Text1->setGeometry(Dlu(49, 46, 195, 12));
    Text1->setMaxLength(260);
    Text1->hide();

    Command1 = new QPushButton("&OK", this);
    Command1->setObjectName("Command1");
    Command1->setGeometry(Dlu(99, 67, 50, 18));
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &InstallerDialog::Command1_Click);

    Command2 = new QPushButton("Cancel", this);
    Command2->setObjectName("Command2");
    Command2->setGeometry(QRect(Dlu(112, 17, 50, 14)).translated(-1000, -1000));  // out of sight
    connect(Command2, &QPushButton::clicked, this, &InstallerDialog::reject);

    progress_ = new ProgressBar(this);
    progress_->setObjectName("ProgressBar");
    progress_->setGeometry(45, 72, 300, 20);
    progress_->hide();
}

InstallerDialog::~InstallerDialog() { FinishWorker(); }

void InstallerDialog::FinishWorker() {
    closeRequested_ = true;
    while (workerRunning_) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (worker_.joinable()) worker_.join();
}

void InstallerDialog::Command1_Click() {
    if (flow_) flow_->MainButton();
}

void InstallerDialog::OnDialogThread(const std::function<void()>& work) {
    // Checked here too: the worker may have queued the call before the close.
    auto unlessClosing = [&] {
        if (!closeRequested_) work();
    };
    if (QThread::currentThread() == thread()) {
        unlessClosing();
        return;
    }
    if (!closeRequested_) QMetaObject::invokeMethod(this, unlessClosing, Qt::BlockingQueuedConnection);
}

void InstallerDialog::PostToDialog(std::function<void()> work) {
    QMetaObject::invokeMethod(this, std::move(work), Qt::AutoConnection);
}

bool InstallerDialog::AskYesNo(std::string_view text, std::string_view caption) {
    bool yes = false;
    OnDialogThread([&] {
        yes = QMessageBox::question(this, Text(caption), Text(text), QMessageBox::Yes | QMessageBox::No) ==
              QMessageBox::Yes;
    });
    return yes;
}

void InstallerDialog::ShowMessage(std::string_view text, std::string_view caption, bool owned) {
    OnDialogThread([&] {
        QMessageBox box(QMessageBox::NoIcon, Text(caption), Text(text), QMessageBox::Ok, owned ? this : nullptr);
        box.exec();
    });
}

void InstallerDialog::SetStatus(std::string_view text) {
    PostToDialog([this, status = Text(text)] { Label1->setText(status); });
}

void InstallerDialog::SetProgress(std::uint64_t done, std::uint64_t total) { progress_->SetValues(done, total); }

void InstallerDialog::HideWindow() {
    PostToDialog([this] { hide(); });
}

void InstallerDialog::ShowWindow() {
    PostToDialog([this] {
        if (!closeRequested_) show();
    });
}

void InstallerDialog::SetTitle(std::string_view caption) { setWindowTitle(Text(caption)); }

void InstallerDialog::SetPublisher(std::string_view publisherName, std::string_view webAddress) {
    publisher_ = Text(publisherName);
    webAddress_ = Text(webAddress);
    update();
}

void InstallerDialog::SetIcon(std::span<const std::uint8_t> icoBytes) {
    icon_ = PickIconImage(icoBytes);
    if (!icon_.isNull()) setWindowIcon(QIcon(icon_));
    update();
}

void InstallerDialog::SetTargetText(std::string_view text) { Text1->setText(Text(text)); }

std::string InstallerDialog::TargetText() { return Text1->text().toStdString(); }

void InstallerDialog::ShowTarget(bool visible, bool enabled) {
    Label2->setVisible(visible);
    Text1->setVisible(visible);
    Text1->setEnabled(enabled);
}

void InstallerDialog::ShowPasswordPrompt(bool visible) {
    if (!passwordBox_) {
        passwordLabel_ = new QLabel("Password:", this);
        passwordLabel_->setObjectName("PasswordLabel");
        passwordLabel_->setGeometry(10, 77, 70, 20);
        passwordBox_ = new QLineEdit(this);
        passwordBox_->setObjectName("PasswordBox");
        passwordBox_->setEchoMode(QLineEdit::Password);
        passwordBox_->setGeometry(90, 75, 270, 20);
    }
    passwordLabel_->setVisible(visible);
    passwordBox_->setVisible(visible);
}

std::string InstallerDialog::PasswordText() {
    return passwordBox_ ? passwordBox_->text().toStdString() : std::string();
}

void InstallerDialog::SetMainButton(std::string_view caption) {
    PostToDialog([this, text = Text(caption)] { Command1->setText(text); });
}

void InstallerDialog::ShowProgress(bool visible) {
    PostToDialog([this, visible] {
        progress_->setVisible(visible);
        UpdateBusyCursor();
    });
}

void InstallerDialog::UpdateBusyCursor() {
    if (progress_->isVisible())
        setCursor(Qt::WaitCursor);
    else
        unsetCursor();
}

void InstallerDialog::Focus(DialogControl control, bool selectAll) {
    switch (control) {
        case DialogControl::target:
            Text1->setFocus();
            if (selectAll) Text1->selectAll();
            break;
        case DialogControl::password:
            if (passwordBox_) passwordBox_->setFocus();
            break;
        case DialogControl::mainButton: Command1->setFocus(); break;
    }
}

void InstallerDialog::Beep() { QApplication::beep(); }

bool InstallerDialog::AskOkCancel(std::string_view text, std::string_view caption) {
    bool ok = false;
    OnDialogThread([&] {
        ok = QMessageBox::warning(this, Text(caption), Text(text), QMessageBox::Ok | QMessageBox::Cancel) ==
             QMessageBox::Ok;
    });
    return ok;
}

void InstallerDialog::StartWorker(std::function<void()> work) {
    if (worker_.joinable()) worker_.join();  // one worker at a time; a previous run has ended by now
    workerRunning_ = true;
    worker_ = std::thread([this, work = std::move(work)] {
        work();
        workerRunning_ = false;
    });
}

void InstallerDialog::CloseInstaller() {
    closeRequested_ = true;
    PostToDialog([this] {
        close();
        QCoreApplication::quit();
    });
}

FileExistsAnswer InstallerDialog::AskFileExists(const std::filesystem::path& path) {
    FileExistsAnswer answer = FileExistsAnswer::closed;
    OnDialogThread([&] {
        FileExistsDialog dialog(path, this);
        answer = dialog.Ask();
    });
    return answer;
}

std::optional<std::filesystem::path> InstallerDialog::AskNewName(const std::filesystem::path& proposed) {
    std::optional<std::filesystem::path> chosen;
    OnDialogThread([&] {
        QString name = QFileDialog::getSaveFileName(this, "New Name", QString::fromStdString(proposed.string()),
                                                    "All files (*)", nullptr, QFileDialog::DontConfirmOverwrite);
        if (!name.isEmpty()) chosen = name.toStdString();
    });
    return chosen;
}

QString InstallerDialog::InformationLine() const {
    QString line = Text(kInstallerName);
    if (!publisher_.isEmpty()) line += ", " + publisher_;
    return line;
}

QRect InstallerDialog::LinkRect() const {
    if (webAddress_.isEmpty()) return {};
    QFontMetrics metrics(PaintFont("Roman", QFont::Serif));
    int width = metrics.horizontalAdvance(webAddress_);
    return QRect((this->width() - width) / 2, kLinkTop, width, metrics.height());
}

void InstallerDialog::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter painter(this);
    if (!icon_.isNull()) painter.drawPixmap(10, 10, icon_.scaled(kStandardIconSize, kStandardIconSize));

    QFont information = PaintFont("Roman", QFont::Serif);
    information.setItalic(true);
    painter.setFont(information);
    painter.setPen(Qt::black);
    painter.drawText(QRect(0, kInformationTop, width(), 15), Qt::AlignHCenter | Qt::AlignTop, InformationLine());

    if (webAddress_.isEmpty()) return;
    QFont link = PaintFont("Roman", QFont::Serif);
    link.setUnderline(true);
    painter.setFont(link);
    painter.setPen(Qt::blue);
    painter.drawText(LinkRect(), Qt::AlignHCenter | Qt::AlignTop, webAddress_);
}

void InstallerDialog::mouseMoveEvent(QMouseEvent* event) {
    if (progress_->isVisible()) return;  // the hourglass stays while installing
    if (LinkRect().contains(event->position().toPoint()))
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
}

void InstallerDialog::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !LinkRect().contains(event->position().toPoint())) return;
    QString address = webAddress_.contains(':') ? webAddress_ : "http://" + webAddress_;
    QDesktopServices::openUrl(QUrl(address));
}

void InstallerDialog::reject() {
    if (flow_)
        flow_->Close();
    else
        CloseInstaller();
}

}  // namespace pw::designpack
