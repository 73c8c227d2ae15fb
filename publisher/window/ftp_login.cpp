#include "publisher/window/ftp_login.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "platform/platform.hpp"
#include "publisher/ftp_account.hpp"
#include "publisher/host_text.hpp"
#include "publisher/window/main_window.hpp"
#include "publisher/window/pictures.hpp"
#include "publisher/window/screen_pointer.hpp"
#include "shell/general/form_fields.hpp"
#include "shell/general/hot_spot.hpp"
#include "shell/general/vendor_site.hpp"

namespace pw {
namespace {

const QString kUnableToConnect = QStringLiteral("Unable to connect to the specified host");
const QString kTip = QStringLiteral(
    "Tip: To get your web site on the Internet you have to have a web hosting company to host your web site. "
    "With our tool you can host with any web hosting company but if you want special low cost hosting CLICK HERE ");
const QString kQuickHelpText = QStringLiteral(
    "This tool allows you to publish your site online\r\n"
    "If you have already published your site you can use this tool to make online updates\r\n\r\n");

// A box named after its record in ftp.txt.
QLineEdit* FieldBox(std::string_view field, int top, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(field.data(), static_cast<qsizetype>(field.size())));
    box->setProperty("tag", QStringLiteral("T"));
    box->setGeometry(TwipsRect(1440, top, 2955, 285));
    return box;
}

// The caption beside `box`, which a screen reader reads as the box's name.
void Caption(const char* text, int top, QLineEdit* box, QWidget* parent) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setGeometry(TwipsRect(420, top, 1020, 285));
    label->setBuddy(box);
}

// What the user sees of a certificate or host key that did not verify.
QString TrustQuestion(const publisher::UnverifiedPeer& peer) {
    return QStringLiteral(
               "The identity of %1 could not be verified:\n%2\n\nFingerprint:\n%3\n\n"
               "Trust it for this site from now on?")
        .arg(QString::fromStdString(peer.endpoint), QString::fromStdString(peer.reason),
             QString::fromStdString(peer.fingerprint));
}

}  // namespace

const QString FTPLogin::kAnonymousPassword = QStringLiteral("guest@example.com");

FTPLogin::FTPLogin(Platform& platform, QWidget* parent) : QDialog(parent), platform_(platform) {
    setObjectName(QStringLiteral("FTPLogin"));
    setWindowTitle(QStringLiteral("FTP Login"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(QFont(QStringLiteral("Verdana"), 8));
    setFixedSize(Px(5010), Px(4470));
    setAutoFillBackground(true);
    setPalette(QPalette(Qt::white));

    // Created in the order ftp.txt lists them: Password, UserName, Host.
    Password = FieldBox(publisher::kPasswordField, 900, this);
    Password->setEchoMode(QLineEdit::Password);
    Password->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));  // every character shows as '*'
    UserName = FieldBox(publisher::kUserNameField, 540, this);
    Host = FieldBox(publisher::kHostField, 180, this);
    Caption("Host:", 240, Host, this);
    Caption("Username:", 600, UserName, this);
    Caption("Password:", 960, Password, this);
    setTabOrder(Host, UserName);
    setTabOrder(UserName, Password);

    Cancel = new QPushButton(QStringLiteral("Cancel"), this);
    Cancel->setObjectName(QStringLiteral("Cancel"));
    Cancel->setGeometry(TwipsRect(240, 1560, 1815, 435));
    Command2 = new QPushButton(QStringLiteral("Upload Site"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(TwipsRect(2160, 1560, 1815, 435));
    Command2->setDefault(true);
    connect(Cancel, &QPushButton::clicked, this, &FTPLogin::Cancel_Click);
    connect(Command2, &QPushButton::clicked, this, &FTPLogin::Command2_Click);

    auto* Label1 = new HotSpot(QStringLiteral("Label1"), kTip, {}, this);
    Label1->setWordWrap(true);
    Label1->setGeometry(TwipsRect(600, 2520, 3735, 1365));
    // The offer stands out as the main menu's hosting line does.
    Label1->setAttribute(Qt::WA_TranslucentBackground, false);
    Label1->setAttribute(Qt::WA_NoSystemBackground, false);
    Label1->setStyleSheet(
        QStringLiteral("QLabel#Label1 { color: #a4511a; background: #fde7d3; border: 1px solid #f6c49a;"
                       " border-radius: 6px; padding: 4px; }"));
    connect(Label1, &HotSpot::clicked, this, &FTPLogin::Label1_Click);
    auto* Image1 = new HotSpot(QStringLiteral("Image1"), {}, {}, this);
    Image1->setCursor(Qt::ArrowCursor);  // a picture, not one of the hot-spots
    Image1->setPixmap(PublisherPicture(QStringLiteral("help.png")));
    Image1->setAccessibleName(QStringLiteral("Quick Help"));  // what it opens
    Image1->setGeometry(TwipsRect(4500, 180, 285, 285));
    connect(Image1, &HotSpot::clicked, this, &FTPLogin::Image1_Click);

    // Beyond the dialog's right edge: only its Alt+A accelerator reaches it.
    Anonymous = new QCheckBox(QStringLiteral("&Anonymous"), this);
    Anonymous->setObjectName(QStringLiteral("Anonymous"));
    Anonymous->setGeometry(TwipsRect(12000, 480, 1695, 255));
    connect(Anonymous, &QCheckBox::clicked, this, &FTPLogin::Anonymous_Click);
}

FTPLogin* FTPLogin::Open(Platform& platform) {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* open = qobject_cast<FTPLogin*>(window);
        if (open && open->isVisible()) {
            open->raise();
            open->activateWindow();
            return open;
        }
    }
    auto* login = new FTPLogin(platform);
    login->Form_Load();
    login->show();
    return login;
}

void FTPLogin::Form_Load() {
    CentreOnScreen(*this);
    const auto account = publisher::LoadFtpAccount(platform_.SiteFolderPath());
    if (!account) return;  // missing or unreadable: the boxes stay empty
    Host->setText(FromFileText(account->host));
    UserName->setText(FromFileText(account->user));
    Password->setText(FromFileText(account->password));
}

// A login that could not be kept would have to be typed again, so that is told.
void FTPLogin::SaveSettings() {
    const publisher::FtpAccount account{ToFileText(Host->text()), ToFileText(UserName->text()),
                                        ToFileText(Password->text())};
    const auto saved = publisher::SaveFtpAccount(platform_.SiteFolderPath(), account);
    if (saved) return;
    const QString file = ToQString(publisher::FtpAccountFile(platform_.SiteFolderPath()));
    platform_.dialogs().Message(
        this, QStringLiteral("The host, user name and password could not be kept for next time in %1.").arg(file),
        MessageButtons::Ok, MessageIcon::Exclamation, kAppTitle, FromUtf8(saved.error().message()));
}

void FTPLogin::Anonymous_Click() {
    const bool anonymous = Anonymous->isChecked();
    UserName->setText(anonymous ? QStringLiteral("anonymous") : QString());
    Password->setText(anonymous ? kAnonymousPassword : QString());
}

void FTPLogin::Command2_Click() {
    Command2->setEnabled(false);
    Cancel->setEnabled(false);
    auto* publisher = new Main(platform_);
    publisher->Form_Load();
    publisher::FtpComponent& ftp = publisher->FTP();
    ftp.SetRemoteHost(Host->text().toStdString());
    ftp.SetUserName(UserName->text().toStdString());
    ftp.SetPassword(Password->text().toStdString());

    // A certificate or host key that does not verify: the user may trust it for this
    // site. A trust that could not be saved still holds for this connection.
    const Result<void> connected = [&] {
        const ScreenPointer pointer(Qt::WaitCursor);
        return publisher::ConnectTrusting(ftp, [&](const publisher::UnverifiedPeer& peer) {
            const ScreenPointer normal(Qt::ArrowCursor);
            return platform_.dialogs().AskYesNo(this, TrustQuestion(peer));
        });
    }();

    if (!connected) {
        // A changed key or withdrawn encryption is told at once, and offers nothing to trust.
        const QString reason =
            FromUtf8(publisher::ShownFromHost(connected.error().message(), Password->text().toStdString()));
        if (publisher::IsSecurityRefusal(connected.error())) {
            platform_.dialogs().Message(this, kUnableToConnect + QStringLiteral("\n\n") + reason, MessageButtons::Ok,
                                        MessageIcon::Critical);
        } else {
            platform_.dialogs().Message(this, kUnableToConnect, MessageButtons::Ok, MessageIcon::Critical, kAppTitle,
                                        reason);
        }
        delete publisher;
    } else {
        publisher->show();
        publisher->activateWindow();  // the window the user works in from now on
    }
    // Saved on both paths, so a wrong host or password is there to correct next time.
    SaveSettings();
    close();
}

void FTPLogin::Cancel_Click() {
    ShowMainMenu(platform_, *this);
    close();
}

void FTPLogin::Label1_Click() {
    setCursor(Qt::WaitCursor);
    platform_.shell().Open(QString::fromStdString(VendorPage("/kw5host.html")));
    unsetCursor();
}

void FTPLogin::Image1_Click() {
    platform_.dialogs().Message(this, kQuickHelpText, MessageButtons::Ok, MessageIcon::Information,
                                QStringLiteral("Quick Help"));
}

}  // namespace pw
