// The publisher window's widgets: where each sits, what it shows, and which handler it
// starts. The handlers themselves are in main_window.cpp.
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include "platform/platform.hpp"
#include "platform/web_pane.hpp"
#include "publisher/window/main_window.hpp"
#include "publisher/window/pictures.hpp"
#include "publisher/window/site_check_dialog.hpp"
#include "shell/general/hot_spot.hpp"

namespace pw {
namespace {

QListWidget* List(const char* name, QRect twips, QAbstractItemView::SelectionMode mode, QWidget* parent) {
    auto* list = new QListWidget(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setGeometry(twips);
    list->setSelectionMode(mode);
    list->setIconSize(QSize(16, 16));
    list->setUniformItemSizes(true);  // one line each: adding a name does not measure them all again
    return list;
}

QPushButton* Button(const char* name, const QString& caption, QRect twips, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(twips);
    return button;
}

QLabel* PathLabel(const char* name, QRect twips, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(twips);
    label->setStyleSheet(QStringLiteral("color: #17324d;"));
    return label;
}

// A click area over one of the background's drawn entries; the picture shows what it is,
// and a screen reader says the words drawn there.
HotSpot* ClickArea(const char* name, const QString& drawnWords, QRect twips, QWidget* parent) {
    auto* area = new HotSpot(QString::fromLatin1(name), {}, {}, parent);
    area->setGeometry(twips);
    area->setAccessibleName(drawnWords);
    return area;
}
}  // namespace

void Main::BuildLayout(QWidget& client) {
    BuildPictures(client);
    BuildLocalPane(client);
    BuildRemotePane(client);
    BuildStrip(client);
    BuildTransferControls(client);
    BuildMenus();
    OrderTabsAsRead(client);
    // The mouse cannot reach "View Remote File": the key after the remote files reaches it.
    setTabOrder(RemoteFiles, Command2);
}

void Main::BuildPictures(QWidget& client) {
    auto* background = new QLabel(&client);
    background->setObjectName(QStringLiteral("Background"));
    background->setPixmap(PublisherPicture(QStringLiteral("background.png")));
    background->setGeometry(0, 0, 641, 482);
    background->setAttribute(Qt::WA_TransparentForMouseEvents);

    // Over the banner, across the window (its design width runs past the right edge).
    ProgressBar = new QProgressBar(&client);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setGeometry(TwipsRect(0, 360, 9600, 255));
    ProgressBar->setTextVisible(false);
    ProgressBar->setStyleSheet(
        QStringLiteral("QProgressBar { border: none; background: #dde3e8; }"
                       "QProgressBar::chunk { background: #1f8a8a; }"));
    ProgressBar->hide();
}

void Main::BuildLocalPane(QWidget& client) {
    Label15 = PathLabel("Label15", TwipsRect(600, 1080, 3135, 255), &client);
    // Under the file list, which it outreaches by a few pixels: shown, its end would stand
    // as a stray piece of the path beside the list, so it holds the path unseen.
    LocalPWD = PathLabel("LocalPWD", TwipsRect(720, 4200, 2355, 255), &client);
    LocalPWD->hide();
    LocalDirectories =
        List("LocalDirectories", TwipsRect(720, 1560, 2235, 1035), QAbstractItemView::SingleSelection, &client);
    LocalDirectories->hide();
    LocalFiles = List("LocalFiles", TwipsRect(600, 1440, 2355, 5520), QAbstractItemView::ExtendedSelection, &client);
    LocalDEL = Button("LocalDEL", QStringLiteral("DEL"), TwipsRect(0, 1560, 495, 315), &client);
    LocalCD = Button("LocalCD", QStringLiteral("CD"), TwipsRect(120, 6240, 495, 315), &client);
    LocalMD = Button("LocalMD", QStringLiteral("MD"), TwipsRect(120, 6240, 495, 315), &client);
    LocalRD = Button("LocalRD", QStringLiteral("RD"), TwipsRect(120, 6120, 495, 315), &client);
    for (QPushButton* hidden : {LocalCD, LocalMD, LocalRD}) hidden->hide();

    connect(LocalFiles, &QListWidget::itemClicked, this, &Main::LocalFiles_Click);
    connect(LocalFiles, &QListWidget::itemDoubleClicked, this, &Main::ToRemote_Click);
    connect(LocalDirectories, &QListWidget::itemDoubleClicked, this, &Main::LocalDirectories_DblClick);
    connect(LocalDEL, &QPushButton::clicked, this, &Main::LocalDEL_Click);
    connect(LocalCD, &QPushButton::clicked, this, &Main::LocalCD_Click);
    connect(LocalMD, &QPushButton::clicked, this, &Main::LocalMD_Click);
    connect(LocalRD, &QPushButton::clicked, this, &Main::LocalRD_Click);
}

void Main::BuildRemotePane(QWidget& client) {
    RemotePWD = PathLabel("RemotePWD", TwipsRect(6480, 1200, 2235, 255), &client);
    RemoteDirectories =
        List("RemoteDirectories", TwipsRect(6480, 1560, 2295, 1035), QAbstractItemView::SingleSelection, &client);
    RemoteFiles = List("RemoteFiles", TwipsRect(6480, 2760, 2295, 4155), QAbstractItemView::ExtendedSelection, &client);
    RemoteCD = Button("RemoteCD", QStringLiteral("CD"), TwipsRect(8880, 1560, 495, 315), &client);
    RemoteRD = Button("RemoteRD", QStringLiteral("RD"), TwipsRect(8880, 1920, 495, 315), &client);
    RemoteMD = Button("RemoteMD", QStringLiteral("MD"), TwipsRect(8880, 2280, 495, 315), &client);
    RemoteDEL = Button("RemoteDEL", QStringLiteral("DEL"), TwipsRect(8880, 2760, 495, 315), &client);

    connect(RemoteDirectories, &QListWidget::itemDoubleClicked, this, &Main::RemoteDirectories_DblClick);
    connect(RemoteFiles, &QListWidget::itemDoubleClicked, this, &Main::ToLocal_Click);
    connect(RemoteCD, &QPushButton::clicked, this, &Main::RemoteCD_Click);
    connect(RemoteRD, &QPushButton::clicked, this, &Main::RemoteRD_Click);
    connect(RemoteMD, &QPushButton::clicked, this, &Main::RemoteMD_Click);
    connect(RemoteDEL, &QPushButton::clicked, this, &Main::RemoteDEL_Click);
}

// The strip between the panes: its four entries, the tabs back to the main menu, and the
// preview area, where the picture box covers the browser pane while it shows.
void Main::BuildStrip(QWidget& client) {
    WebBrowser1 = platform_.CreateWebPane(&client);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->setGeometry(TwipsRect(3240, 3480, 3000, 3300));
    WebBrowser1->setAccessibleName(QStringLiteral("Preview"));
    Picture1 = new QLabel(QStringLiteral("Click a file to see it here"), &client);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setAccessibleName(QStringLiteral("Preview"));
    Picture1->setGeometry(TwipsRect(3240, 3480, 3000, 3300));
    Picture1->setAlignment(Qt::AlignCenter);
    Picture1->setWordWrap(true);
    Picture1->setAutoFillBackground(true);
    Picture1->setStyleSheet(QStringLiteral("QLabel#Picture1 { background: white; color: #5b6b7a; }"));

    Label10 = ClickArea("Label10", QStringLiteral("Upload ALL Files"), TwipsRect(3240, 2040, 3000, 255), &client);
    Label6 = ClickArea("Label6", QStringLiteral("Upload Selected File"), TwipsRect(3120, 2400, 3120, 255), &client);
    Label1 = ClickArea("Label1", QStringLiteral("Download File"), TwipsRect(3480, 2760, 2760, 255), &client);
    Label7 = ClickArea("Label7", QStringLiteral("Exit / Main Menu"), TwipsRect(3480, 3120, 2760, 255), &client);
    Label2 = ClickArea("Label2", QStringLiteral("Main Menu"), TwipsRect(3000, 720, 1095, 255), &client);
    Label4 = ClickArea("Label4", QStringLiteral("Quit FTP"), TwipsRect(7440, 720, 1455, 255), &client);
    connect(Label10, &HotSpot::clicked, this, &Main::Label10_Click);
    connect(Label6, &HotSpot::clicked, this, &Main::Label6_Click);
    connect(Label1, &HotSpot::clicked, this, &Main::Label1_Click);
    connect(Label7, &HotSpot::clicked, this, &Main::Label7_Click);
    connect(Label2, &HotSpot::clicked, this, &Main::Label2_Click);
    connect(Label4, &HotSpot::clicked, this, &Main::Label4_Click);

    // Over the top of the preview area while an upload runs: the files sent and to go, and
    // the one control that works then.
    UploadCount = new QLabel(&client);
    UploadCount->setObjectName(QStringLiteral("UploadCount"));
    UploadCount->setGeometry(TwipsRect(3240, 3480, 2160, 375));
    UploadCount->setAlignment(Qt::AlignCenter);
    UploadCount->setAutoFillBackground(true);
    UploadCount->setStyleSheet(QStringLiteral("QLabel#UploadCount { background: #dde3e8; color: #17324d; }"));
    UploadCount->hide();
    StopUpload = Button("StopUpload", QStringLiteral("Stop"), TwipsRect(5400, 3480, 840, 375), &client);
    StopUpload->setToolTip(QStringLiteral("Stop the upload (Esc): files under way are finished"));
    StopUpload->hide();
    connect(StopUpload, &QPushButton::clicked, this, &Main::StopUpload_Click);
}

// Below the visible area: the mouse cannot reach these, the keyboard can, and the
// operations behind them also start from the double-clicks and click areas.
void Main::BuildTransferControls(QWidget& client) {
    Command2 = Button("Command2", QStringLiteral("View Remote File"), TwipsRect(6480, 7680, 2295, 315), &client);
    ToLocal = new QToolButton(&client);
    ToLocal->setObjectName(QStringLiteral("ToLocal"));
    ToLocal->setArrowType(Qt::LeftArrow);
    ToLocal->setAccessibleName(QStringLiteral("Download to your computer"));  // arrows say it to the eye only
    ToLocal->setGeometry(TwipsRect(5640, 8160, 2880, 375));
    ToRemote = new QToolButton(&client);
    ToRemote->setObjectName(QStringLiteral("ToRemote"));
    ToRemote->setArrowType(Qt::RightArrow);
    ToRemote->setAccessibleName(QStringLiteral("Upload to your web host"));
    ToRemote->setGeometry(TwipsRect(5640, 8640, 2880, 375));
    rall = Button("rall", QStringLiteral("BACK"), TwipsRect(9360, 8280, 825, 375), &client);
    Command3 = Button("Command3", QStringLiteral("?"), TwipsRect(7800, 9120, 375, 375), &client);
    ASCIIMode = new QRadioButton(QStringLiteral("ASCII"), &client);
    ASCIIMode->setObjectName(QStringLiteral("ASCIIMode"));
    ASCIIMode->setGeometry(TwipsRect(2280, 10440, 2000, 315));
    BinaryMode = new QRadioButton(QStringLiteral("Binary"), &client);
    BinaryMode->setObjectName(QStringLiteral("BinaryMode"));
    BinaryMode->setGeometry(TwipsRect(4080, 10680, 2000, 315));
    BinaryMode->setChecked(true);
    List1 = List("List1", TwipsRect(2760, 8160, 2355, 1035), QAbstractItemView::ExtendedSelection, &client);

    connect(Command2, &QPushButton::clicked, this, &Main::Command2_Click);
    connect(ToLocal, &QToolButton::clicked, this, &Main::ToLocal_Click);
    connect(ToRemote, &QToolButton::clicked, this, &Main::ToRemote_Click);
    connect(rall, &QPushButton::clicked, this, &Main::rall_Click);
    connect(Command3, &QPushButton::clicked, this, &Main::Command3_Click);
    connect(ASCIIMode, &QRadioButton::clicked, this, &Main::ASCIIMode_Click);
    connect(BinaryMode, &QRadioButton::clicked, this, &Main::BinaryMode_Click);
}

void Main::BuildMenus() {
    mnufile = menuBar()->addMenu(QStringLiteral("&File"));
    mnufile->setObjectName(QStringLiteral("mnufile"));
    // What would look wrong on the host, before anything is sent; "Quit FTP" stays last.
    QAction* check = mnufile->addAction(QStringLiteral("Check Site..."));
    check->setObjectName(QStringLiteral("mnucheck"));
    connect(check, &QAction::triggered, this, [this] { SiteCheckDialog::Show(platform_, this); });
    QAction* quit = mnufile->addAction(QStringLiteral("Quit FTP"));
    quit->setObjectName(QStringLiteral("mnu"));
    connect(quit, &QAction::triggered, this, &Main::mnu_Click);
    QAction* help = menuBar()->addAction(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuhlp"));
    connect(help, &QAction::triggered, this, &Main::mnuhlp_Click);
}

}  // namespace pw
