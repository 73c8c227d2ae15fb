#include "editor/window/main_form.hpp"

#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <cassert>
#include <functional>
#include <optional>
#include <span>

#include "builder/store/site_files.hpp"
#include "editor/html_text.hpp"
#include "editor/spell/window/spell_checker.hpp"
#include "editor/surface/editing_surface.hpp"
#include "editor/window/insert_table_dialog.hpp"
#include "editor/window/site_picture.hpp"
#include "platform/platform.hpp"
#include "shell/general/drag_window.hpp"
#include "shell/general/files.hpp"
#include "shell/general/form_fields.hpp"
#include "shell/general/hot_spot.hpp"
#include "shell/general/text.hpp"
#include "shell/general/text_encoding.hpp"
#include "shell/general/vendor_site.hpp"

// The toolbar's pictures live in this static library, so it registers them itself on first use.
static void RegisterEditorPictures() { Q_INIT_RESOURCE(editor); }

namespace pw {
namespace {

const QString kQuickHelp = QStringLiteral("Quick Help");
const QString kNotAnswered = QStringLiteral("The editor did not answer; nothing was changed");
const QString kHtmlModeOnly =
    QStringLiteral("This option only works in HTML MODE\r\nSwitch to HTML MODE to use this feature\r\n\r\n");

// The toolbar's buttons after the two font boxes, in the order they stand, with the
// command each runs and whether it shows pressed while the selection has its format (the
// others only act).
struct ToolbarButton {
    const char* key;
    int id;
    bool latches;
};
constexpr ToolbarButton kToolbarTable[] = {
    {"Bold", EditCommand::Bold, true},
    {"Italic", EditCommand::Italic, true},
    {"Underline", EditCommand::Underline, true},
    {"Color", EditCommand::SetTextColour, false},
    {"Numbers", EditCommand::NumberedList, true},
    {"Bullets", EditCommand::BulletedList, true},
    {"Outdent", EditCommand::Outdent, false},
    {"Indent", EditCommand::Indent, false},
    {"LeftJustify", EditCommand::LeftJustify, true},
    {"Center", EditCommand::Centre, true},
    {"RightJustify", EditCommand::RightJustify, true},
};

// The id of a menu item without a command: a separator.
constexpr int kSeparator = 0;

// The items of "&Edit" and "T&able", in the order they stand.
struct MenuItem {
    const char* caption;
    int id;
    const char* shortcut;
};
constexpr MenuItem kEditTable[] = {
    {"Undo", EditCommand::Undo, "Ctrl+Z"},
    {"Redo", EditCommand::Redo, "Ctrl+Y"},
    {"", kSeparator, ""},
    {"Cut", EditCommand::Cut, "Ctrl+X"},
    {"Copy", EditCommand::Copy, "Ctrl+C"},
    {"Paste", EditCommand::Paste, "Ctrl+V"},
    {"Select All", EditCommand::SelectAll, "Ctrl+A"},
    {"", kSeparator, ""},
    {"Find Text", EditCommand::FindText, "Ctrl+F"},
};
constexpr MenuItem kTableTable[] = {
    {"Insert Table...", EditCommand::InsertTable, ""}, {"", kSeparator, ""},
    {"Insert Row", EditCommand::InsertRow, ""},        {"Insert Column", EditCommand::InsertColumn, ""},
    {"Insert Cell", EditCommand::InsertCell, ""},      {"", kSeparator, ""},
    {"Delete Rows", EditCommand::DeleteRows, ""},      {"Delete Columns", EditCommand::DeleteColumns, ""},
    {"Delete Cells", EditCommand::DeleteCells, ""},    {"", kSeparator, ""},
    {"Merge Cells", EditCommand::MergeCells, ""},      {"Split Cell", EditCommand::SplitCell, ""},
};

// The state SetContextMenu greys an item by.
constexpr int kGreyed = 2;

const QStringList kFontNames = {"Times New Roman", "Arial", "Tahoma", "Courier", "Verdana", "Wingdings"};

// A command the surface can run at the selection, or a value it can answer there (the font
// boxes show one only then): enabled or latched, not disabled or unknown to the surface.
bool Usable(int status) { return status == CommandStatus::Enabled || status == CommandStatus::Latched; }

// The reason the save message names, by the error's number.
QString SaveErrorReason(std::error_code error) {
    switch (SaveErrorNumber(error)) {
        case 5: return QStringLiteral("Invalid argument");
        case 70: return QStringLiteral("Access denied");
        case 0x80070027: return QStringLiteral("Disk is full");
        case 0x8000FFFF: return QStringLiteral("Unexpected error");
        case 0x80070003: return QStringLiteral("Path not found");
        default: return QStringLiteral("File size to big");
    }
}

void TellSaveError(Dialogs& dialogs, QWidget* parent, std::error_code error) {
    dialogs.Message(parent, QStringLiteral("Error occurred while saving document: ") + SaveErrorReason(error) + '.',
                    MessageButtons::Ok, MessageIcon::Critical);
}

// The saved document read back, or nothing once the failure (file and reason) is told.
std::optional<std::string> ReadBack(Dialogs& dialogs, QWidget* parent, const std::filesystem::path& file) {
    auto document = ReadWholeFile(file);
    if (document) return DecodeLenient(*document);
    dialogs.Message(parent,
                    QStringLiteral("Error occurred while reading document %1: %2.")
                        .arg(ToQString(file), QString::fromStdString(document.error().message())),
                    MessageButtons::Ok, MessageIcon::Critical);
    return std::nullopt;
}

QString Megabytes(std::uintmax_t bytes) { return QString::number(static_cast<double>(bytes) / (1024 * 1024), 'f', 1); }

HotSpot* Spot(const char* name, const QString& caption, const QString& toolTip, QRect twips, QWidget* parent) {
    auto* spot = new HotSpot(QString::fromLatin1(name), caption, toolTip, parent);
    spot->setGeometry(twips);
    return spot;
}

}  // namespace

MainForm::MainForm(Platform& platform, QWidget* builder, QWidget* parent)
    : QMainWindow(parent),
      platform_(platform),
      builder_(builder),
      documentFile_(platform.SiteFile(store::kHandOverFile)) {
    QWidget* client = SetUpPictureWindow(*this, QStringLiteral("MainForm"));
    client->setAutoFillBackground(false);  // the window paints its own background below
    setWindowTitle(QStringLiteral("Page Editor"));
    BuildSurfaces(*client);
    BuildLabels(*client);
    BuildToolbars();
    BuildMenus();
}

MainForm::~MainForm() = default;

void MainForm::BuildSurfaces(QWidget& client) {
    DHTMLEdit1 = platform_.CreateEditingSurface(&client);
    DHTMLEdit1->setObjectName(QStringLiteral("DHTMLEdit1"));
    DHTMLEdit1->setGeometry(TwipsRect(3360, 1320, 6015, 4455));
    connect(DHTMLEdit1, &EditingSurface::DocumentComplete, this, &MainForm::SurfaceDocumentComplete);
    connect(DHTMLEdit1, &EditingSurface::DisplayChanged, this, &MainForm::SurfaceDisplayChanged);
    connect(DHTMLEdit1, &EditingSurface::ShowContextMenu, this, &MainForm::SurfaceShowContextMenu);
    connect(DHTMLEdit1, &EditingSurface::ContextMenuAction, this, &MainForm::SurfaceContextMenuAction);
    connect(DHTMLEdit1, &EditingSurface::CommandNotAnswered, this, &MainForm::TellNotAnswered);
    connect(DHTMLEdit1, &EditingSurface::PictureNotTaken, this, &MainForm::TellPictureNotTaken);
    // Pasted and dropped pictures become pictures of the site, beside the section's file.
    DHTMLEdit1->SetPictureStore(
        [folder = documentFile_.parent_path()](const QByteArray& bytes) { return SaveSitePicture(folder, bytes); });

    RichTextBox1 = new QTextEdit(&client);
    RichTextBox1->setObjectName(QStringLiteral("RichTextBox1"));
    RichTextBox1->setAcceptRichText(false);  // plain text; only the tag colours are formatting
    RichTextBox1->setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 10));
    RichTextBox1->setGeometry(TwipsRect(3360, 1320, 6015, 4455));
    RichTextBox1->hide();

    Text1 = new QLineEdit(&client);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->hide();
}

void MainForm::BuildLabels(QWidget& client) {
    WebBrowser1 = platform_.CreateWebPane(&client);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->setGeometry(TwipsRect(120, 2040, 2775, 2175));

    Label12 = Spot("Label12", {}, {}, TwipsRect(120, 420, 2775, 375), &client);
    Label12->setStyleSheet(QStringLiteral("color: #1d3557; font-weight: bold; font-size: 14px;"));
    auto* Label5 = Spot("Label5", QStringLiteral(" Active Page"), {}, TwipsRect(120, 90, 2775, 330), &client);
    Label5->setStyleSheet(QStringLiteral("color: #55626f;"));
    Label7 = new QLabel(&client);
    Label7->setObjectName(QStringLiteral("Label7"));
    Label7->setGeometry(TwipsRect(3360, 960, 6015, 300));  // over the editing area
    Label7->setStyleSheet(QStringLiteral("color: #2f6fb0; font-weight: bold;"));
    auto* Label4 = Spot("Label4", QStringLiteral("Go Back"), QStringLiteral("   Go Back"),
                        TwipsRect(240, 870, 2535, 300), &client);
    Label4->setStyleSheet(QStringLiteral("color: #2f6fb0; font-weight: bold;"));
    auto* Label8 = Spot("Label8", {}, QStringLiteral("   Change Edit Modes"), TwipsRect(240, 1170, 2535, 300), &client);
    auto* Label9 = Spot("Label9", {}, QStringLiteral("   Add a picture to your web site   "),
                        TwipsRect(240, 1470, 2535, 300), &client);
    auto* Label1 = Spot("Label1", {}, {}, TwipsRect(0, 9000, 615, 255), &client);  // below the window: never seen
    for (HotSpot* back : {static_cast<HotSpot*>(Label12), Label5, Label4})
        connect(back, &HotSpot::clicked, this, &MainForm::Label4_Click);
    connect(Label8, &HotSpot::clicked, this, &MainForm::Label8_Click);
    connect(Label1, &HotSpot::clicked, this, &MainForm::Label1_Click);
    connect(Label9, &HotSpot::clicked, this, &MainForm::Label9_Click);

    auto* Image5 = new HotSpot(QStringLiteral("Image5"), QStringLiteral("\u2302"), QStringLiteral("Tips"), &client);
    Image5->setCursor(Qt::ArrowCursor);  // a picture, not one of the hot-spots
    Image5->setStyleSheet(QStringLiteral("color: #2f6fb0; font-size: 16px;"));
    Image5->setGeometry(TwipsRect(2640, 1770, 270, 270));
    connect(Image5, &HotSpot::clicked, this, &MainForm::Image5_Click);
}

void MainForm::BuildToolbars() {
    static const bool registered = (RegisterEditorPictures(), true);
    (void)registered;
    Toolbar1 = addToolBar(QStringLiteral("Formatting"));
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setMovable(false);
    Toolbar1->setIconSize(QSize(20, 20));
    FontCombo = new QComboBox(Toolbar1);
    FontCombo->setObjectName(QStringLiteral("FontCombo"));
    FontCombo->setMinimumWidth(130);
    FontCombo->setToolTip(QStringLiteral("Font"));
    FontSizeCombo = new QComboBox(Toolbar1);
    FontSizeCombo->setObjectName(QStringLiteral("FontSizeCombo"));
    FontSizeCombo->setToolTip(QStringLiteral("Font size"));
    Toolbar1->addWidget(FontCombo)->setObjectName(QStringLiteral("Font"));
    Toolbar1->addWidget(FontSizeCombo)->setObjectName(QStringLiteral("FontSize"));
    connect(FontCombo, &QComboBox::activated, this, &MainForm::FontCombo_Click);
    connect(FontSizeCombo, &QComboBox::activated, this, &MainForm::FontSizeCombo_Click);
    for (const ToolbarButton& entry : kToolbarTable) {
        const QString name = QString::fromLatin1(entry.key);
        QAction* button = Toolbar1->addAction(QIcon(QStringLiteral(":/editor/%1.png").arg(name)), name);
        button->setObjectName(name);
        button->setCheckable(entry.latches);
        connect(button, &QAction::triggered, this, [this, name] { Toolbar1_ButtonClick(name); });
        toolbarButtons_[name] = button;
    }

    // In text mode: the source is edited as plain text, so nothing on it acts.
    Toolbar2 = new QToolBar(QStringLiteral("Source"), this);
    Toolbar2->setObjectName(QStringLiteral("Toolbar2"));
    Toolbar2->setMovable(false);
    auto* note = new QLabel(QStringLiteral("  Editing the page's HTML source: tags red, notes blue  "), Toolbar2);
    note->setStyleSheet(QStringLiteral("color: #55626f;"));
    Toolbar2->addWidget(note);
    addToolBar(Toolbar2);
}

QAction* MainForm::GuardedAction(QMenu* menu, const QString& caption, const std::function<void()>& command) {
    QAction* action = menu->addAction(caption);
    connect(action, &QAction::triggered, this, [this, action, command] {
        if (GuardHtmlMode()) {
            command();
        } else if (action->isCheckable()) {
            action->setChecked(!action->isChecked());  // nothing changed, so neither does the check mark
        }
    });
    return action;
}

void MainForm::BuildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    QAction* save = file->addAction(QStringLiteral("Save"));
    save->setObjectName(QStringLiteral("mnusaa"));
    connect(save, &QAction::triggered, this, &MainForm::Label4_Click);
    QAction* exit = file->addAction(QStringLiteral("Exit"));
    exit->setObjectName(QStringLiteral("FileExit"));
    connect(exit, &QAction::triggered, this, &QWidget::close);  // as the close box: the section stays as it was

    BuildEditMenu();
    QAction* spell = menuBar()->addAction(QStringLiteral("&Spell"));
    spell->setObjectName(QStringLiteral("mnuspell"));
    connect(spell, &QAction::triggered, this, &MainForm::mnuspell_Click);

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("ViewSub"));
    borders_ = GuardedAction(view, QStringLiteral("Borders"),
                             [this] { DHTMLEdit1->SetShowBorders(!DHTMLEdit1->ShowBorders()); });
    details_ = GuardedAction(view, QStringLiteral("Document Details"),
                             [this] { DHTMLEdit1->SetShowDetails(!DHTMLEdit1->ShowDetails()); });
    for (QAction* option : {borders_, details_}) option->setCheckable(true);
    connect(view, &QMenu::aboutToShow, this, [this] {
        borders_->setChecked(DHTMLEdit1->ShowBorders());
        details_->setChecked(DHTMLEdit1->ShowDetails());
    });

    QAction* picture = menuBar()->addAction(QStringLiteral("Add &Picture"));
    picture->setObjectName(QStringLiteral("munpic"));
    connect(picture, &QAction::triggered, this, &MainForm::munpic_Click);

    QMenu* links = menuBar()->addMenu(QStringLiteral("&Add Links"));
    links->setObjectName(QStringLiteral("InsertSub"));
    links->setSeparatorsCollapsible(false);
    links->addSeparator();
    GuardedAction(links, QStringLiteral("Links..."),
                  [this] { DHTMLEdit1->ExecCommand(EditCommand::HyperlinkDialog, CommandOption::Default); });

    FormatSub = menuBar()->addMenu(QStringLiteral("F&ormat"));
    FormatSub->setObjectName(QStringLiteral("FormatSub"));
    for (int i = 0; i < 16; ++i) {
        QAction* item = FormatSub->addAction(QString());
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, item] {
            item->setChecked(!item->isChecked());  // the check mark follows the document, not the click
            if (Usable(DHTMLEdit1->QueryStatus(EditCommand::SetBlockFormat)))
                DHTMLEdit1->ExecCommand(EditCommand::SetBlockFormat, CommandOption::NoPrompt, item->text());
        });
    }
    connect(FormatSub, &QMenu::aboutToShow, this, &MainForm::FormatMenuOpening);

    BuildTableMenu();

    QMenu* tools = menuBar()->addMenu(QStringLiteral("&Win tools"));
    connect(tools->addAction(QStringLiteral("Notepad")), &QAction::triggered, this,
            [this] { RunTool(QStringLiteral("notepad.exe"), QStringLiteral("text editor")); });
    connect(tools->addAction(QStringLiteral("Explorer")), &QAction::triggered, this,
            [this] { RunTool(QStringLiteral("explorer.exe"), QStringLiteral("file manager")); });
    connect(tools->addAction(QStringLiteral("Default Web Browser")), &QAction::triggered, this,
            [this] { platform_.shell().Open(QString::fromStdString(VendorPage(""))); });

    QAction* help = menuBar()->addAction(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuhelpp"));
    connect(help, &QAction::triggered, this, [this] { OpenBeside(*this, platform_, WindowKind::Help); });
}

void MainForm::BuildEditMenu() {
    EditSub = menuBar()->addMenu(QStringLiteral("&Edit"));
    EditSub->setObjectName(QStringLiteral("EditSub"));
    for (const MenuItem& item : kEditTable) {
        if (item.id == kSeparator) {
            EditSub->addSeparator();
            continue;
        }
        const int id = item.id;
        GuardedAction(EditSub, QString::fromLatin1(item.caption), [this, id] {
            DHTMLEdit1->ExecCommand(id);
        })->setShortcut(QKeySequence(QString::fromLatin1(item.shortcut)));
    }
    EditSub->addSeparator();
    snapToGrid_ = GuardedAction(EditSub, QStringLiteral("Snap To Grid"), [this] {
        DHTMLEdit1->SetSnapToGrid(!DHTMLEdit1->SnapToGrid());
        snapToGrid_->setChecked(DHTMLEdit1->SnapToGrid());
    });
    snapToGrid_->setCheckable(true);
    connect(EditSub, &QMenu::aboutToShow, this, [this] { CommandMenuOpening(EditSub); });
}

void MainForm::BuildTableMenu() {
    TableSub = menuBar()->addMenu(QStringLiteral("T&able"));
    TableSub->setObjectName(QStringLiteral("TableSub"));
    for (const MenuItem& item : kTableTable) {
        if (item.id == kSeparator) {
            TableSub->addSeparator();
        } else if (item.id == EditCommand::InsertTable) {
            GuardedAction(TableSub, QString::fromLatin1(item.caption), [this] { InsertTable(); });
        } else {
            const int id = item.id;
            GuardedAction(TableSub, QString::fromLatin1(item.caption), [this, id] { DHTMLEdit1->ExecCommand(id); });
        }
    }
    connect(TableSub, &QMenu::aboutToShow, this, [this] { CommandMenuOpening(TableSub); });
}

void MainForm::RunTool(const QString& program, const QString& kind) {
    if (platform_.shell().Run(program)) return;
    platform_.dialogs().Message(
        this, QStringLiteral("Could not find %1: this desktop has no %2 to open in its place.").arg(program, kind),
        MessageButtons::Ok, MessageIcon::Exclamation);
}

QMenu* MainForm::Menu(const QString& objectName) const { return menuBar()->findChild<QMenu*>(objectName); }

// ---- Opening and closing ----

void MainForm::Form_Load() {
    setFixedSize(Px(9600), Px(7850));
    spellChecker_ = platform_.CreateSpellChecker();
    ShowTips();
    Label7->clear();
    FillFontBoxes();
    OpenSection();
    Toolbar2->hide();
    NamePage();
}

void MainForm::FillFontBoxes() {
    FontCombo->addItems(kFontNames);
    for (int size = 1; size <= 7; ++size) FontSizeCombo->addItem(QString::number(size));
    FontCombo->setCurrentIndex(0);
    FontSizeCombo->setCurrentIndex(0);
    DisableFormattingControls();
}

void MainForm::OpenSection() {
    const auto loaded = DHTMLEdit1->LoadDocument(ToQString(documentFile_));  // a missing file: an empty surface
    if (!loaded && loaded.error() == SurfaceErrc::documentTooLarge) TellTooLarge();
}

// The page being edited, named above the tips; page one has tips of its own.
void MainForm::NamePage() {
    const store::Page page = platform_.globals().page();
    if (page != store::Page::One) {
        Label12->setText(QStringLiteral("Editing Page ") + FromUtf8(store::CaptionOf(page)));
        return;
    }
    platform_.globals().SetPage(store::Page::One);  // whatever it held
    // The site's own tips page for its home page, else the one installed with the program.
    const std::filesystem::path sitePage = platform_.SiteFile("page4.html");
    std::error_code ec;
    WebBrowser1->Navigate(
        ToQString(std::filesystem::exists(sitePage, ec) ? sitePage : platform_.InstFile("page4.html")));
    Label12->setText(QStringLiteral("Editing Page One"));
}

// The body is checked as source text, then goes back onto the surface with its corrections.
void MainForm::mnuspell_Click() { CheckSpelling(); }

void MainForm::CheckSpelling() {
    // Source typed in text mode goes onto the surface first, so the check sees it and keeps it.
    if (!InHtmlMode() && !ReturnToHtmlMode()) return;
    if (!EnterTextMode(Switch::Command)) return;
    Label7->setText(QStringLiteral("Spell Check Mode"));
    const Result<spell::CheckOutcome> outcome =
        spellChecker_ ? spellChecker_->CheckSpelling(this, *RichTextBox1)
                      : Result<spell::CheckOutcome>(Fail(std::make_error_code(std::errc::not_supported)));
    Label1_Click();
    if (!outcome) {
        platform_.dialogs().Message(this, SpellCheckUnavailableText(outcome.error()), MessageButtons::Ok,
                                    MessageIcon::Critical);
        return;
    }
    if (outcome->userDictionaryFailure)
        platform_.dialogs().ShowSaveError(this, platform_.InstFile(spell::kUserDictionaryName),
                                          outcome->userDictionaryFailure);
    platform_.dialogs().Message(this, QString::fromStdString(spell::ClosingMessage(*outcome)));
}

void MainForm::Image5_Click() { ShowTips(); }

void MainForm::ShowTips() { WebBrowser1->Navigate(ToQString(platform_.InstFile("editor.htx"))); }

// Whichever way the editor closes: the edited body is left in stand.1w1 as RTF, and the
// builder shows again where the editor stood.
void MainForm::closeEvent(QCloseEvent* event) {
    RichTextBox1->clear();
    RichTextBox1->setPlainText(FromFileText(platform_.globals().editedBody));
    (void)store::SaveSection(documentFile_, ToFileText(RichTextBox1->toPlainText()));  // read by no one
    ShowBuilder();
    QMainWindow::closeEvent(event);
}

void MainForm::KeepBuilderWhereTheEditorIs() {
    if (builder_) builder_->move(pos());
}

void MainForm::ShowBuilder() {
    KeepBuilderWhereTheEditorIs();
    if (builder_) builder_->show();
}

void MainForm::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    KeepBuilderWhereTheEditorIs();
}

void MainForm::mousePressEvent(QMouseEvent* event) {
    DragWindow(*this);
    KeepBuilderWhereTheEditorIs();
    event->accept();
}

void MainForm::paintEvent(QPaintEvent*) {
    // The background names what the caption-less hot-spots stand for.
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const int top = centralWidget()->y();
    painter.fillRect(QRect(0, top, width(), height() - top), QColor(0xf4, 0xf7, 0xfb));
    painter.translate(0, top);
    QFont font = painter.font();
    font.setPixelSize(12);
    painter.setFont(font);
    painter.setPen(QColor(0x2f, 0x6f, 0xb0));
    painter.drawText(TwipsRect(240, 1170, 2535, 300), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("\u25B8 Change Edit Modes"));
    painter.drawText(TwipsRect(240, 1470, 2535, 300), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("\u25B8 Add a picture"));
    painter.setPen(QColor(0x55, 0x62, 0x70));
    painter.drawText(TwipsRect(120, 1770, 2400, 270), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Tips"));
    // The page being edited stands out as a sheet on the right.
    const QWidget* sheet = InHtmlMode() ? static_cast<const QWidget*>(DHTMLEdit1) : RichTextBox1;
    painter.setPen(QColor(0xb8, 0xc4, 0xd6));
    painter.drawRect(sheet->geometry().adjusted(-1, -1, 0, 0));
}

// ---- Modes ----

bool MainForm::InHtmlMode() const { return !DHTMLEdit1->isHidden(); }

bool MainForm::GuardHtmlMode() {
    if (InHtmlMode()) return true;
    platform_.dialogs().Message(this, kHtmlModeOnly, MessageButtons::Ok, MessageIcon::Information, kQuickHelp);
    return false;
}

void MainForm::Label8_Click() { SwitchMode(Switch::User); }
void MainForm::Label1_Click() { SwitchMode(Switch::Command); }

void MainForm::SwitchMode(Switch through) {
    if (InHtmlMode()) {
        EnterTextMode(through);
    } else {
        Label4_Click();
    }
}

// In HTML mode only: the surface's document is saved and its body shown as source. A
// document that cannot be saved stays on the surface (the message says why), so no edit is
// lost.
bool MainForm::EnterTextMode(Switch through) {
    assert(InHtmlMode());
    const auto saved = DHTMLEdit1->SaveDocument(ToQString(documentFile_));
    if (!saved) {
        TellSaveError(platform_.dialogs(), this, saved.error());
        return false;
    }
    const auto document = ReadBack(platform_.dialogs(), this, documentFile_);
    if (!document) return false;  // the document stays on the surface
    platform_.globals().editedBody = editor::ExtractBody(*document);
    RichTextBox1->clear();
    DHTMLEdit1->hide();
    RichTextBox1->setPlainText(FromFileText(platform_.globals().editedBody));
    RichTextBox1->show();
    Toolbar1->hide();
    Toolbar2->show();
    if (through == Switch::User) {
        Label7->setText(QStringLiteral("Taging HTML tags"));
        ChangeColours();
        Label7->setText(QStringLiteral("Text Mode"));
    } else {
        Label7->setText(QStringLiteral("TEXT Mode"));
    }
    return true;
}

// In text mode only: the source goes back onto the surface through the document file. A
// file that cannot be written is told and the source stays, so the next try can succeed.
bool MainForm::ReturnToHtmlMode() {
    assert(!InHtmlMode());
    setCursor(Qt::WaitCursor);
    const auto written = SaveFileAtomically(documentFile_, ToFileText(RichTextBox1->toPlainText()) + "\r\n");
    unsetCursor();
    if (!written) {
        platform_.dialogs().ShowSaveError(this, documentFile_, written.error());
        return false;
    }
    (void)DHTMLEdit1->LoadDocument(ToQString(documentFile_));
    DHTMLEdit1->show();
    RichTextBox1->hide();
    Toolbar1->show();
    Toolbar2->hide();
    return true;
}

void ColourTags(QTextEdit& box) {
    const QString text = box.toPlainText();
    const std::u16string_view units(reinterpret_cast<const char16_t*>(text.utf16()),
                                    static_cast<std::size_t>(text.size()));
    QTextCharFormat red, blue, black;
    red.setForeground(QColor(255, 0, 0));
    blue.setForeground(QColor(0, 0, 255));
    black.setForeground(Qt::black);
    // The colours are no edit of the user's: recorded, the first undo in text mode would
    // take them all away.
    QTextDocument& document = *box.document();
    const bool undoable = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (const editor::TagSpan& span : editor::FindTagSpans(units)) {
        cursor.setPosition(static_cast<int>(span.first));
        cursor.setPosition(static_cast<int>(span.last + 1), QTextCursor::KeepAnchor);
        cursor.setCharFormat(span.comment ? blue : red);
    }
    cursor.endEditBlock();
    document.setUndoRedoEnabled(undoable);
    cursor.setPosition(0);
    box.setTextCursor(cursor);
    box.setCurrentCharFormat(black);
}

void MainForm::ChangeColours() { ColourTags(*RichTextBox1); }

// ---- Go Back and saving ----

void MainForm::Label4_Click() { GoBack(); }

void MainForm::GoBack() {
    if (!InHtmlMode()) {
        if (ReturnToHtmlMode()) Label7->setText(QStringLiteral("HTML Mode"));
        return;
    }
    if (!SaveDocument()) return;  // the editor stays open with the document, so nothing is lost
    const auto document = ReadBack(platform_.dialogs(), this, documentFile_);
    if (!document) return;  // likewise: the builder keeps its section
    RichTextBox1->setPlainText(FromFileText(*document));
    platform_.globals().editedBody = editor::ExtractBody(ToFileText(RichTextBox1->toPlainText()));
    ShowBuilder();
    emit SectionHandedBack(sectionA_);
    close();
}

bool MainForm::SaveDocument() {
    DisableFormattingControls();
    const QString path = DHTMLEdit1->CurrentDocumentPath();
    const auto saved = DHTMLEdit1->SaveDocument(path.isEmpty() ? ToQString(documentFile_) : path);
    if (!saved) {
        TellSaveError(platform_.dialogs(), this, saved.error());
    }
    const QString current = DHTMLEdit1->CurrentDocumentPath();
    setWindowTitle(current.isEmpty() ? QStringLiteral("Advanced Editor")
                                     : QStringLiteral("Advanced Editor - ") + current);
    return saved.has_value();
}

// ---- The surface's events ----

// Said once, however many commands the engine left unanswered while the message showed.
void MainForm::TellNotAnswered() {
    ++unanswered_;
    if (tellingNotAnswered_) return;
    tellingNotAnswered_ = true;
    platform_.dialogs().Message(this, kNotAnswered, MessageButtons::Ok, MessageIcon::Exclamation);
    tellingNotAnswered_ = false;
}

void MainForm::TellPictureNotTaken(const QString& reason) {
    platform_.dialogs().Message(this,
                                QStringLiteral("The picture could not be added to your web site: %1.").arg(reason),
                                MessageButtons::Ok, MessageIcon::Exclamation);
}

// Before anything can be typed: the section is not shown, and the message says why.
void MainForm::TellTooLarge() {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(documentFile_, ec);
    platform_.dialogs().Message(this,
                                QStringLiteral("This section is %1 MB, more than the editor can open. The section "
                                               "is left as it was; close the editor to go back.")
                                    .arg(Megabytes(ec ? 0 : size)),
                                MessageButtons::Ok, MessageIcon::Exclamation);
}

void MainForm::SurfaceDocumentComplete() {
    if (documentReady_) return;
    const QVariant names = DHTMLEdit1->ExecCommand(EditCommand::GetBlockFormatNames, CommandOption::NoPrompt,
                                                   QVariant::fromValue(BlockFormatNames{}));
    const QStringList captions = names.value<BlockFormatNames>().Names;
    const QList<QAction*> items = FormatSub->actions();
    for (int i = 0; i < items.size() && i < captions.size(); ++i) items[i]->setText(captions[i]);
    RefreshFontBoxes();
    FontSizeCombo->setCurrentIndex(-1);
    documentReady_ = true;
}

void MainForm::SurfaceDisplayChanged() {
    for (const ToolbarButton& button : kToolbarTable) {
        QAction* action = toolbarButtons_.at(QString::fromLatin1(button.key));
        const int status = DHTMLEdit1->QueryStatus(button.id);
        action->setEnabled(Usable(status));
        action->setChecked(status == CommandStatus::Latched);
    }
    RefreshFontBoxes();
}

void MainForm::DisableFormattingControls() {
    for (QComboBox* box : {FontCombo, FontSizeCombo}) {
        box->setCurrentIndex(-1);
        box->setEnabled(false);
    }
    for (auto& [key, button] : toolbarButtons_) button->setEnabled(false);
    QCoreApplication::processEvents();
}

void MainForm::RefreshFontBoxes() {
    if (Usable(DHTMLEdit1->QueryStatus(EditCommand::GetFontName))) {
        // A list of families ("Arial, Helvetica") shows by the one the page asks for first.
        const QString name = DHTMLEdit1->ExecCommand(EditCommand::GetFontName, CommandOption::NoPrompt)
                                 .toString()
                                 .section(QLatin1Char(','), 0, 0)
                                 .trimmed();
        FontCombo->setCurrentIndex(FontCombo->findText(name, Qt::MatchFixedString));
        FontCombo->setEnabled(true);
    } else {
        FontCombo->setCurrentIndex(-1);
        FontCombo->setEnabled(false);
    }
    if (Usable(DHTMLEdit1->QueryStatus(EditCommand::GetFontSize))) {
        const int size = DHTMLEdit1->ExecCommand(EditCommand::GetFontSize, CommandOption::NoPrompt).toInt();
        FontSizeCombo->setCurrentIndex(size < 1 ? -1 : size - 1);
        FontSizeCombo->setEnabled(true);
    } else {
        FontSizeCombo->setCurrentIndex(-1);
        FontSizeCombo->setEnabled(false);
    }
}

void MainForm::FontCombo_Click() {
    if (!documentReady_ || !Usable(DHTMLEdit1->QueryStatus(EditCommand::SetFontName))) return;
    DHTMLEdit1->ExecCommand(EditCommand::SetFontName, CommandOption::NoPrompt, FontCombo->currentText());
}

void MainForm::FontSizeCombo_Click() {
    if (!documentReady_) return;
    DHTMLEdit1->ExecCommand(EditCommand::SetFontSize, CommandOption::NoPrompt, FontSizeCombo->currentIndex() + 1);
}

void MainForm::Toolbar1_ButtonClick(const QString& key) {
    if (key == QLatin1String("Color")) return ChooseColour();
    for (const ToolbarButton& button : kToolbarTable) {
        if (key != QLatin1String(button.key)) continue;
        DHTMLEdit1->ExecCommand(button.id, CommandOption::NoPrompt);
        // Pressed as the document says, not as clicked.
        toolbarButtons_.at(key)->setChecked(DHTMLEdit1->QueryStatus(button.id) == CommandStatus::Latched);
    }
}

// A cancelled dialog changes nothing.
void MainForm::ChooseColour() {
    const QColor colour = QColorDialog::getColor(Qt::black, this);
    if (!colour.isValid()) return;
    const auto bgr = static_cast<std::uint32_t>(colour.blue() << 16 | colour.green() << 8 | colour.red());
    DHTMLEdit1->ExecCommand(EditCommand::SetTextColour, CommandOption::NoPrompt, FromUtf8(editor::ColourText(bgr)));
}

void MainForm::FormatMenuOpening() {
    const int status = DHTMLEdit1->QueryStatus(EditCommand::GetBlockFormat);
    if (Usable(status)) {
        const QString current =
            DHTMLEdit1->ExecCommand(EditCommand::GetBlockFormat, CommandOption::NoPrompt).toString();
        for (QAction* item : FormatSub->actions()) {
            item->setEnabled(true);
            item->setChecked(item->text() == current);
        }
    } else if (status == CommandStatus::Disabled) {
        for (QAction* item : FormatSub->actions()) {
            item->setEnabled(false);
            item->setChecked(false);
        }
    }
}

// Each item with a command is enabled exactly when the surface can run it here.
void MainForm::CommandMenuOpening(QMenu* menu) {
    const std::span<const MenuItem> table =
        menu == EditSub ? std::span<const MenuItem>(kEditTable) : std::span<const MenuItem>(kTableTable);
    const QList<QAction*> items = menu->actions();
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (table[i].id != kSeparator)
            items.at(static_cast<qsizetype>(i))->setEnabled(Usable(DHTMLEdit1->QueryStatus(table[i].id)));
    }
}

// Cut, Copy, Paste, Select All and Font... always, greyed where the surface cannot run
// them; then the positioning item when the selection can be positioned, and the table
// items in a table.
std::vector<MainForm::ContextItem> MainForm::ContextMenuItems() const {
    const auto usable = [this](int id) { return Usable(DHTMLEdit1->QueryStatus(id)); };
    std::vector<ContextItem> items = {
        {QStringLiteral("Cut"), EditCommand::Cut},
        {QStringLiteral("Copy"), EditCommand::Copy},
        {QStringLiteral("Paste"), EditCommand::Paste},
        {QString(), kSeparator},
        {QStringLiteral("Select All"), EditCommand::SelectAll},
        {QString(), kSeparator},
        {QStringLiteral("Font..."), EditCommand::FontDialog, CommandOption::Prompt},
    };
    for (ContextItem& item : items) item.greyed = item.id != kSeparator && !usable(item.id);
    if (usable(EditCommand::MakeAbsolute)) {
        const bool positioned = usable(EditCommand::SendToBack);
        items.push_back({QString(), kSeparator});
        items.push_back(
            {positioned ? QStringLiteral("Make 1D") : QStringLiteral("Make 2D"), EditCommand::MakeAbsolute});
    }
    if (usable(EditCommand::InsertRow)) {
        items.insert(items.end(), {{QString(), kSeparator},
                                   {QStringLiteral("Insert Row"), EditCommand::InsertRow},
                                   {QStringLiteral("Insert Column"), EditCommand::InsertColumn},
                                   {QString(), kSeparator},
                                   {QStringLiteral("Delete Row"), EditCommand::DeleteRows},
                                   {QStringLiteral("Delete Column"), EditCommand::DeleteColumns}});
    }
    return items;
}

void MainForm::SurfaceShowContextMenu() {
    contextItems_ = ContextMenuItems();
    QStringList captions;
    QList<int> states;
    for (const ContextItem& item : contextItems_) {
        captions << item.caption;
        states << (item.greyed ? kGreyed : 0);
    }
    DHTMLEdit1->SetContextMenu(captions, states);
}

void MainForm::SurfaceContextMenuAction(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= contextItems_.size()) return;
    const ContextItem& item = contextItems_[static_cast<std::size_t>(index)];
    if (item.id != kSeparator) DHTMLEdit1->ExecCommand(item.id, item.option);
}

// ---- Pictures ----

// The picture browser, modal; its choice is left in pickedFile (empty: nothing to insert).
void MainForm::ShowPictureBrowser() {
    if (auto* browser = qobject_cast<QDialog*>(platform_.windows().Load(WindowKind::preview, platform_, *this)))
        browser->exec();
}

void MainForm::munpic_Click() { InsertPictureAtCaret(); }

void MainForm::InsertPictureAtCaret() {
    if (!GuardHtmlMode()) return;
    ShowPictureBrowser();
    const std::string& picked = platform_.globals().pickedFile;
    if (picked.empty()) return;
    Text1->setText(QString::fromStdString(picked));
    DHTMLEdit1->PasteHtmlAtCaret(
        FromUtf8(editor::ImageElement(Text1->text().toStdString(), editor::ImageForm::Direct)));
    Toolbar1->show();
}

void MainForm::Label9_Click() { InsertPictureThroughSource(); }

// A marker holds the caret's place while the browser is open; through the source text it
// becomes the picture, or nothing. Text "%%place%%" the user typed goes the same way.
void MainForm::InsertPictureThroughSource() {
    if (!GuardHtmlMode()) return;
    const int unansweredBefore = unanswered_;
    DHTMLEdit1->PasteHtmlAtCaret(QStringLiteral("%%place%%"));
    if (unanswered_ != unansweredBefore) return;  // no marker, so no place for a picture
    ShowPictureBrowser();
    if (!EnterTextMode(Switch::Command)) return;
    const std::string& picked = platform_.globals().pickedFile;
    const std::string element =
        picked.empty() ? std::string() : editor::ImageElement(picked, editor::ImageForm::Marker);
    RichTextBox1->setPlainText(FromFileText(ReplaceAll(ToFileText(RichTextBox1->toPlainText()), element, "%%place%%")));
    Label1_Click();
}

void MainForm::InsertTable() {
    InsertTableDlg dialog(platform_, *DHTMLEdit1, this);
    dialog.exec();
}

}  // namespace pw
