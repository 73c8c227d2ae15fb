#include "builder/window/magic.hpp"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>

#include "builder/generation.hpp"
#include "builder/store/site_files.hpp"
#include "builder/written_pages.hpp"
#include "platform/platform.hpp"
#include "shell/general/drag_window.hpp"
#include "shell/general/form_fields.hpp"
#include "shell/general/hot_spot.hpp"

namespace pw {
namespace {

const QString kQuickHelp = QStringLiteral("Quick Help");
const QString kKeywordsHelp = QStringLiteral(
    "This is for keywords that describe your site, use , to seperate words\n"
    "Search engines use this to index your page\n\nExample: design, e-commerce, web design");
const QString kDescriptionHelp = QStringLiteral(
    "This content does not appear on the page\nIt is does show up on in search engine listings\n\n"
    "Example: low cost web design");
const QString kTitleHelp = QStringLiteral(
    "This is the title of your page\nIt is also title the search engines use to find your page\n\n"
    "Example: my company about us page");
const QString kUpdateNotice = QStringLiteral(
    "You have upgraded to this design. To Finish your update click on the button to update all your pages. "
    "When that is done go to the Getting Started Page and use the FTP tool to publish your new design online.");

HotSpot* Spot(const char* name, const QString& toolTip, QRect geometry, QWidget* parent) {
    auto* spot = new HotSpot(QString::fromLatin1(name), {}, toolTip, parent);
    spot->setGeometry(geometry);
    return spot;
}

// A page field holding the text it shows before any file supplies one.
template <typename Box>
Box* PageField(const char* name, QWidget* parent) {
    auto* box = new Box(FromFileText(std::string(store::BuiltInText(name))), parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setProperty("tag", QStringLiteral("T"));
    return box;
}

}  // namespace

magic::magic(Platform& platform, QWidget* parent) : QMainWindow(parent), platform_(platform) {
    QWidget* client = SetUpPictureWindow(*this, QStringLiteral("magic"));
    client->setAutoFillBackground(false);  // the window paints its own background below
    BuildMetaFields(*client);              // first: the page's field file lists its fields in creation order
    BuildPageControls(*client);
    BuildLayoutPicture(*client);
    BuildUpdatePanel(*client);
    BuildMenus();
    OrderTabsAsRead(*client);
}

void magic::BuildMetaFields(QWidget& client) {
    // In the order of the page's field file.
    Text2 = PageField<QLineEdit>("Text2", &client);
    Text26 = PageField<QLineEdit>("Text26", &client);
    Text5 = PageField<QPlainTextEdit>("Text5", &client);
    Text100 = PageField<QLineEdit>("Text100", &client);
    Text24 = PageField<QLineEdit>("Text24", &client);
    Text24->setGeometry(TwipsRect(3240, 5640, 5535, 375));
    Text100->setGeometry(TwipsRect(3240, 6000, 5535, 375));
    Text2->setGeometry(TwipsRect(3240, 6360, 5535, 375));
    Text26->hide();
    Text5->setGeometry(TwipsRect(0, 7900, 3000, 600));  // below the client area: never seen
    // The key still reaches it, as every field: Tab must lead on out of it, not type a tab.
    Text5->setTabChangesFocus(true);

    const std::tuple<const char*, int, void (magic::*)()> icons[] = {{"Image12", 5640, &magic::Image12_Click},
                                                                     {"Image14", 6000, &magic::Image14_Click},
                                                                     {"Image13", 6360, &magic::Image13_Click}};
    for (std::size_t i = 0; i < std::size(icons); ++i) {
        const auto [name, top, handler] = icons[i];
        QAbstractButton* icon = HelpIcon(QString::fromLatin1(name), TwipsRect(8760, top, 375, 375), &client);
        connect(icon, &QAbstractButton::clicked, this, handler);
        metaHelpIcons_[i] = icon;
    }
    for (QWidget* hidden :
         {static_cast<QWidget*>(Text24), static_cast<QWidget*>(Text100), static_cast<QWidget*>(Text2)})
        hidden->hide();
    for (QWidget* icon : metaHelpIcons_) icon->hide();

    for (auto [section, name] : {std::pair{&sectionA_, "RichTextBox1"}, std::pair{&sectionB_, "RichTextBox3"}}) {
        section->holder = new QTextEdit(&client);
        section->holder->setObjectName(QString::fromLatin1(name));
        section->holder->hide();
    }
}

void magic::BuildPageControls(QWidget& client) {
    Command3 = PageButton(QStringLiteral("Command3"), 1, TwipsRect(360, 720, 495, 660), &client);
    Command8 = PageButton(QStringLiteral("Command8"), 2, TwipsRect(840, 720, 495, 660), &client);
    Command9 = PageButton(QStringLiteral("Command9"), 3, TwipsRect(1320, 720, 495, 660), &client);
    pageButtons_ = {Command3, Command8, Command9};
    connect(Command3, &QAbstractButton::clicked, this, &magic::Command3_Click);
    connect(Command8, &QAbstractButton::clicked, this, &magic::Command8_Click);
    connect(Command9, &QAbstractButton::clicked, this, &magic::Command9_Click);

    connect(
        Spot("Label3", QStringLiteral("  Click to go to the Start page   "), TwipsRect(3000, 720, 1815, 375), &client),
        &HotSpot::clicked, this, &magic::Label3_Click);
    connect(
        Spot("Label2", QStringLiteral("   Click to go to the Name Pages "), TwipsRect(7440, 720, 1815, 375), &client),
        &HotSpot::clicked, this, &magic::Label2_Click);

    Label1 = new QLabel(QStringLiteral("Click on button to start building"), &client);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(TwipsRect(6000, 1320, 3255, 375));
    Label1->setStyleSheet(QStringLiteral("color: #1d3557; font-weight: bold;"));

    WebBrowser1 = platform_.CreateWebPane(&client);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->setGeometry(TwipsRect(120, 2160, 2775, 2415));
    WebBrowser1->setAccessibleName(QStringLiteral("Preview"));  // as its heading reads

    connect(Spot("Label6", QStringLiteral("Edit Meta Tag Text"), TwipsRect(0, 5520, 2775, 255), &client),
            &HotSpot::clicked, this, &magic::Label6_Click);
    Label7 = Spot("Label7", QStringLiteral("Save or preview site"), TwipsRect(0, 6000, 2895, 255), &client);
    connect(Label7, &HotSpot::clicked, this, &magic::Label7_Click);
    // Named by the words drawn under them.
    HotSpot* Label18 = Spot("Label18", {}, TwipsRect(8040, 3960, 735, 255), &client);
    Label18->setAccessibleName(QStringLiteral("Text A"));
    connect(Label18, &HotSpot::clicked, this, &magic::Image8_Click);
    HotSpot* Label17 = Spot("Label17", {}, TwipsRect(8040, 4440, 615, 255), &client);
    Label17->setAccessibleName(QStringLiteral("Text B"));
    connect(Label17, &HotSpot::clicked, this, &magic::Image11_Click);

    ProgressBar = new QProgressBar(&client);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);
    ProgressBar->setGeometry(TwipsRect(-360, 360, 11400, 255));
}

void magic::BuildLayoutPicture(QWidget& client) {
    Picture2 = new QLabel(&client);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->setGeometry(TwipsRect(3480, 2040, 4455, 3255));
    Picture2->setScaledContents(true);
    Picture2->setStyleSheet(QStringLiteral("QLabel#Picture2 { border: 1px solid #b8c4d6; background: white; }"));
    const std::tuple<const char*, QString, QRect, void (magic::*)()> spots[] = {
        {"Label5", QStringLiteral("   Click to Edit  section A "), TwipsRect(960, 600, 2655, 1935),
         &magic::Image8_Click},
        {"Label8", QStringLiteral("   Click on Edit section B   "), TwipsRect(240, 0, 4095, 375),
         &magic::Image11_Click},
        {"Label9", QStringLiteral("   Click to Edit section B   "), TwipsRect(240, 2760, 4095, 375),
         &magic::Image8_Click},
        {"Label19", QStringLiteral("   Click to Edit section B   "), TwipsRect(0, 0, 615, 2655), &magic::Image11_Click},
        {"Label10", QStringLiteral("   Click to Edit Section B"), TwipsRect(3720, 120, 735, 3135),
         &magic::Image11_Click},
    };
    for (const auto& [name, toolTip, geometry, handler] : spots) {
        connect(Spot(name, toolTip, geometry, Picture2), &HotSpot::clicked, this, handler);
    }
}

void magic::BuildUpdatePanel(QWidget& client) {
    Frame1 = new QWidget(&client);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(TwipsRect(3120, 1200, 6375, 6015));
    Frame1->setAutoFillBackground(true);
    Frame1->setStyleSheet(QStringLiteral("QWidget#Frame1 { background: #f4f7fb; border: 1px solid #9fb3c8; }"));
    Picture1 = new QLabel(Frame1);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(24, 16, 376, 200);
    Picture1->setScaledContents(true);
    auto* Label4 = new QLabel(kUpdateNotice, Frame1);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setWordWrap(true);
    Label4->setGeometry(24, 228, 376, 90);
    auto* Command2 = new QPushButton(QStringLiteral("Click to update your pages"), Frame1);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(112, 330, 200, 32);
    connect(Command2, &QPushButton::clicked, this, &magic::Command2_Click);
    Frame1->hide();
}

void magic::BuildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setSeparatorsCollapsible(false);  // the leading and trailing separators are part of the menu
    file->addSeparator();
    connect(file->addAction(QStringLiteral("&Main Menu")), &QAction::triggered, this, &magic::Label3_Click);
    file->addSeparator();
    connect(file->addAction(QStringLiteral("Build Page One")), &QAction::triggered, this, &magic::Command3_Click);
    connect(file->addAction(QStringLiteral("Build Page Two")), &QAction::triggered, this, &magic::Command8_Click);
    connect(file->addAction(QStringLiteral("Build Page Three")), &QAction::triggered, this, &magic::Command9_Click);
    QAction* phone = file->addAction(QStringLiteral("Phone view"));
    phone->setCheckable(true);
    connect(phone, &QAction::toggled, this, &magic::mnuphone_Click);
    file->addSeparator();
    connect(file->addAction(QStringLiteral("&Exit")), &QAction::triggered, this, &magic::mnuexit_Click);
    connect(menuBar()->addAction(QStringLiteral("&Help")), &QAction::triggered, this, &magic::mnuhelp_Click);
}

void magic::paintEvent(QPaintEvent*) {
    // The background names what the hot-spots stand for.
    QPainter painter(this);
    const int top = centralWidget()->y();
    painter.fillRect(rect(), Qt::white);
    painter.drawPixmap(0, top, SharedPicture(QStringLiteral("banner.png")));
    painter.translate(0, top);
    QFont font = painter.font();
    font.setPixelSize(12);
    font.setBold(true);
    painter.setFont(font);
    const auto tab = [&](QRect area, const QString& text, bool current) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(current ? QColor(0x2f, 0x6f, 0xb0) : QColor(0xe3, 0xea, 0xf3));
        painter.drawRoundedRect(area, 6, 6);
        painter.setPen(current ? Qt::white : QColor(0x1d, 0x35, 0x57));
        painter.drawText(area, Qt::AlignCenter, text);
    };
    tab(TwipsRect(3000, 720, 1815, 375), QStringLiteral("Main Menu"), false);
    tab(TwipsRect(5220, 720, 1815, 375), QStringLiteral("Edit Pages"), true);
    tab(TwipsRect(7440, 720, 1815, 375), QStringLiteral("Name Pages"), false);
    painter.setPen(QColor(0x1d, 0x35, 0x57));
    painter.drawText(TwipsRect(120, 1500, 2775, 375), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Select Page"));
    painter.drawText(TwipsRect(120, 1860, 2775, 300), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Preview"));
    font.setBold(false);
    painter.setFont(font);
    painter.setPen(QColor(0x2f, 0x6f, 0xb0));
    painter.drawText(TwipsRect(0, 5520, 2775, 255), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("  \u25B8 Edit Meta Tag Text"));
    painter.drawText(TwipsRect(0, 6000, 2895, 255), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("  \u25B8 Save or preview site"));
    painter.drawText(TwipsRect(8040, 3960, 1035, 255), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Text A"));
    painter.drawText(TwipsRect(8040, 4440, 1035, 255), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Text B"));
    painter.setPen(QColor(0x55, 0x62, 0x70));
    painter.drawText(TwipsRect(3480, 5340, 4455, 255), Qt::AlignCenter,
                     QStringLiteral("Click a part of the layout to edit it"));
}

void magic::Form_Load() {
    FitPictureWindow(*this);
    QDir::setCurrent(ToQString(platform_.inst()));
    setWindowTitle(kAppTitle);
    WebBrowser1->Navigate(ToQString(platform_.inst() / "qhelp.htx"));
    Picture2->setPixmap(QPixmap(ToQString(platform_.SiteFile(store::kLayoutPictureFile))));
    platform_.globals().FillEmptyPage();
    LoadCurrentPage();
}

store::PageFiles magic::CurrentFiles() const { return store::FilesOf(platform_.globals().page()); }

void magic::LoadCurrentPage() {
    const store::PageFiles files = CurrentFiles();
    (void)LoadFormFields(*this, platform_.SiteFile(files.fields));  // a missing file keeps the fields as they are
    if (auto a = store::LoadSection(platform_.SiteFile(files.sectionA))) SetSection(sectionA_, std::move(*a));
    if (auto b = store::LoadSection(platform_.SiteFile(files.sectionB))) SetSection(sectionB_, std::move(*b));
    const store::Page page = platform_.globals().page();
    Label1->setText(QStringLiteral("You are working on page ") + FromUtf8(store::CaptionOf(page)));
    for (const store::Page each : store::kPages) pageButtons_[store::IndexOf(each)]->setEnabled(each != page);
}

void magic::SaveFields(SaveReport& report) {
    const std::filesystem::path file = platform_.SiteFile(CurrentFiles().fields);
    report.Note(file, SaveFormFields(*this, file));
}

void magic::SetSection(Section& section, std::string text) {
    section.holder->setPlainText(FromFileText(text));
    section.text = std::move(text);
}

void magic::SaveSection(const Section& section, std::string_view fileName, SaveReport& report) {
    const std::filesystem::path file = platform_.SiteFile(fileName);
    report.Note(file, store::SaveSection(file, section.text));
}

void magic::Command3_Click() {
    platform_.globals().SetPage(store::Page::One);
    ShowPage();
}
void magic::Command8_Click() {
    platform_.globals().SetPage(store::Page::Two);
    ShowPage();
}
void magic::Command9_Click() {
    platform_.globals().SetPage(store::Page::Three);
    ShowPage();
}

void magic::ShowPage() {
    platform_.globals().FillEmptyPage();
    LoadCurrentPage();
    const std::filesystem::path site = platform_.SiteFolderPath();
    const auto names = store::LoadPageNames(site);
    const auto page = PagePath(site, platform_.globals().page(), names.value_or(store::PageNames{}));
    if (page) WebBrowser1->Navigate(ToQString(*page));
}

// A hand-over file that cannot be written is told, and the editor is not opened on
// whatever the file held before: the section stays here as it is.
void magic::EditSection(const Section& section, bool sectionA) {
    setCursor(Qt::WaitCursor);
    const auto handedOver = store::WriteHandOver(platform_.SiteFolderPath(), section.text);
    if (!handedOver) {
        unsetCursor();
        platform_.dialogs().ShowSaveError(this, platform_.SiteFile(store::kHandOverFile), handedOver.error());
        return;
    }
    QWidget* editor = platform_.windows().Load(WindowKind::MainForm, platform_, *this);
    if (editor) {
        if (auto* surface = editor->findChild<QWidget*>(QStringLiteral("DHTMLEdit1")))
            surface->resize(Px(5800), Px(4500));
        if (auto* source = editor->findChild<QWidget*>(QStringLiteral("RichTextBox1")))
            source->resize(Px(5830), Px(4500));
        editor->move(pos());
        editor->show();
        editor->setProperty("sectionA", sectionA);
    }
    unsetCursor();
    if (editor) hide();
}

void magic::Image8_Click() { EditSection(sectionA_, true); }
void magic::Image11_Click() { EditSection(sectionB_, false); }

// The section and the page's fields are saved; a save that fails is told, and the
// section keeps the edited text so the next save can succeed.
void magic::TakeBackSection(Section& section, std::string_view fileName) {
    (void)store::DeleteHandOver(platform_.SiteFolderPath());
    SetSection(section, platform_.globals().editedBody);
    SaveReport report;
    SaveFields(report);
    SaveSection(section, fileName, report);
    report.Show(platform_.dialogs(), this);
}

void magic::afteredit() { TakeBackSection(sectionA_, CurrentFiles().sectionA); }
void magic::afteredit2() { TakeBackSection(sectionB_, CurrentFiles().sectionB); }

void magic::Label6_Click() {
    const bool show = Text24->isHidden();
    for (QWidget* field : {static_cast<QWidget*>(Text24), static_cast<QWidget*>(Text100), static_cast<QWidget*>(Text2)})
        field->setVisible(show);
    for (QWidget* icon : metaHelpIcons_) icon->setVisible(show);
}

void magic::Label7_Click() {
    setCursor(Qt::WaitCursor);
    Label7->setEnabled(false);
    platform_.globals().FillEmptyPage();
    SaveReport report;
    SaveFields(report);
    SaveSection(sectionA_, CurrentFiles().sectionA, report);
    SaveSection(sectionB_, CurrentFiles().sectionB, report);

    const std::filesystem::path site = platform_.SiteFolderPath();
    const PageInputs inputs{.page = platform_.globals().page(),
                            .names = store::LoadPageNames(site).value_or(store::PageNames{}),
                            .title = Text2->text().toStdString(),
                            .description = Text100->text().toStdString(),
                            .keywords = Text24->text().toStdString(),
                            .sectionA = sectionA_.text,
                            .sectionB = sectionB_.text};
    const auto text = GeneratePageText(platform_.SiteFile(store::kTemplateFile), inputs,
                                       [this](int percent) { ProgressBar->setValue(percent); });
    if (!text) {
        platform_.dialogs().Message(this, FromUtf8(kTemplateErrorMessage));
        Label7->setEnabled(true);
        unsetCursor();
        report.Show(platform_.dialogs(), this);
        return;
    }
    Label7->setEnabled(true);
    ProgressBar->setValue(0);
    const auto page = PagePath(site, inputs.page, inputs.names);
    if (page) {
        const auto written = WritePageFile(*page, *text);
        report.Note(*page, written);
        if (written) report.Note(site / kWrittenPagesFile, RecordWrittenPage(site, inputs.page, *page));
    }
    unsetCursor();
    report.Show(platform_.dialogs(), this);
    if (!page) {
        if (const auto fault = store::PageNameFaultOf(inputs.page, inputs.names[inputs.page])) {
            platform_.dialogs().Message(this, FromUtf8(store::PageNameFaultText(*fault)), MessageButtons::Ok,
                                        MessageIcon::Exclamation);
        }
        return;
    }
    // The file that exists under the page's name, whatever its letter case, is the one shown.
    WebBrowser1->Navigate(ToQString(*page));
    platform_.shell().Open(ToQString(*page));
}

void magic::Command2_Click() {
    setCursor(Qt::WaitCursor);
    for (void (magic::*page)() : {&magic::Command3_Click, &magic::Command8_Click, &magic::Command9_Click}) {
        (this->*page)();
        Label7_Click();
    }
    Frame1->hide();
    unsetCursor();
}

void magic::Image12_Click() {
    platform_.dialogs().Message(this, kKeywordsHelp, MessageButtons::Ok, MessageIcon::Information, kQuickHelp);
}
void magic::Image14_Click() {
    platform_.dialogs().Message(this, kDescriptionHelp, MessageButtons::Ok, MessageIcon::Information, kQuickHelp);
}
void magic::Image13_Click() {
    platform_.dialogs().Message(this, kTitleHelp, MessageButtons::Ok, MessageIcon::Information, kQuickHelp);
}

void magic::Label3_Click() { OpenInPlaceOf(*this, platform_, WindowKind::start); }
void magic::Label2_Click() { OpenInPlaceOf(*this, platform_, WindowKind::submit); }

void magic::mnuexit_Click() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == QLatin1String("start")) window->close();
    }
    close();
}

// The preview as a phone shows the page: laid out 390 CSS pixels wide, scaled to fit the
// pane; off again, at the pane's own width.
void magic::mnuphone_Click(bool phoneView) { WebBrowser1->SetLayoutWidth(phoneView ? kPhoneWidth : 0); }

void magic::mnuhelp_Click() { OpenBeside(*this, platform_, WindowKind::Help); }

void magic::mousePressEvent(QMouseEvent* event) {
    DragWindow(*this);
    event->accept();
}

}  // namespace pw
