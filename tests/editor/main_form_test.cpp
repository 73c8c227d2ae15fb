// The page editor window on the recording surface: its opening, modes, Go Back, menus,
// toolbar and the commands that reach the surface.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>

#include "builder/store/rtf.hpp"
#include "editor/window/insert_table_dialog.hpp"
#include "editor/window/main_form.hpp"
#include "shell/general/hot_spot.hpp"
#include "testing/doubles.hpp"
#include "tests/encoded_picture.hpp"
#include "tests/temp_folder.hpp"

namespace pw {
namespace {
namespace fs = std::filesystem;

// Stands in for the builder: records which section came back.
class FakeBuilder : public QWidget {
    Q_OBJECT
public:
    QStringList calls;
    Q_INVOKABLE void afteredit() { calls << QStringLiteral("afteredit"); }
    Q_INVOKABLE void afteredit2() { calls << QStringLiteral("afteredit2"); }
};

class MainFormTest : public ::testing::Test {
protected:
    test::TempFolder inst;
    testing::TestPlatform doubles{inst.path()};
    FakeBuilder builder;
    QPointer<MainForm> editor;

    void SetUp() override {
        inst.Write("default/stand.1w1", "<p>Section <b>A</b></p>\r\n");
        builder.hide();
    }
    void TearDown() override { delete editor; }

    MainForm& Open(const std::string& page = "one") {
        doubles.platform->globals().currentPage = page;
        editor = new MainForm(*doubles.platform, &builder);
        QObject::connect(editor, &MainForm::SectionHandedBack, &builder,
                         [this](bool sectionA) { sectionA ? builder.afteredit() : builder.afteredit2(); });
        editor->Form_Load();
        editor->show();
        return *editor;
    }
    testing::RecordingEditingSurface& Surface() { return *doubles.surfaces.back(); }
    QString Caption(const char* label) { return editor->findChild<QLabel*>(label)->text(); }
    QTextEdit& Source() { return *editor->findChild<QTextEdit*>("RichTextBox1"); }
    QAction* Item(const char* menu, const char* caption) {
        for (QAction* action : editor->Menu(QString::fromLatin1(menu))->actions()) {
            if (action->text() == QLatin1String(caption)) return action;
        }
        return nullptr;
    }
    fs::path DocumentFile() const { return inst.path() / "default" / "stand.1w1"; }
    const std::vector<testing::ShownMessage>& Messages() { return doubles.dialogs->shown; }
};

TEST_F(MainFormTest, OpensTheHandedOverSectionWithTheTipsOfItsPage) {
    struct Case {
        std::string page;
        const char* caption;
        const char* tips;
    };
    inst.Write("page4.html", "installed tips");
    for (const Case& c :
         {Case{"two", "Editing Page Two", "editor.htx"}, Case{"three", "Editing Page Three", "editor.htx"},
          Case{"", "Editing Page One", "page4.html"}, Case{"four", "Editing Page One", "page4.html"}}) {
        Open(c.page);
        EXPECT_EQ(Caption("Label12"), c.caption) << c.page;
        EXPECT_EQ(doubles.panes.back()->navigations.back(), QString::fromStdString((inst.path() / c.tips).string()))
            << c.page;
        EXPECT_EQ(Surface().loads, QStringList{QString::fromStdString(DocumentFile().string())});
        EXPECT_TRUE(editor->InHtmlMode());
        EXPECT_TRUE(editor->findChild<QToolBar*>("Toolbar2")->isHidden());
        EXPECT_EQ(editor->windowTitle(), "Page Editor");
        delete editor;
    }
    EXPECT_EQ(doubles.platform->globals().currentPage, "one") << "anything but two or three opens as page one";
}

TEST_F(MainFormTest, FontBoxesAndTheFormatMenuFollowTheSurface) {
    Open();
    auto* fonts = editor->findChild<QComboBox*>("FontCombo");
    auto* sizes = editor->findChild<QComboBox*>("FontSizeCombo");
    EXPECT_EQ(fonts->count(), 6);
    EXPECT_EQ(sizes->count(), 7);
    EXPECT_FALSE(fonts->isEnabled()) << "disabled until the surface says otherwise";

    Surface().values[EditCommand::GetFontName] = QStringLiteral("Arial");
    Surface().values[EditCommand::GetFontSize] = 4;
    emit Surface().DocumentComplete();
    EXPECT_EQ(Item("FormatSub", "Heading 1") != nullptr, true);
    EXPECT_EQ(fonts->currentText(), "Arial");
    EXPECT_TRUE(fonts->isEnabled());
    EXPECT_EQ(sizes->currentIndex(), -1) << "the size box's selection is cleared after the first load";

    Surface().statuses[EditCommand::GetFontName] = CommandStatus::Disabled;
    Surface().statuses[EditCommand::Bold] = CommandStatus::Latched;
    Surface().statuses[EditCommand::Italic] = CommandStatus::Disabled;
    emit Surface().DisplayChanged();
    EXPECT_FALSE(fonts->isEnabled());
    EXPECT_EQ(fonts->currentIndex(), -1);
    EXPECT_EQ(sizes->currentText(), "4");
    auto* bold = editor->findChild<QAction*>("Bold");
    EXPECT_TRUE(bold->isEnabled());
    EXPECT_TRUE(bold->isChecked());
    EXPECT_FALSE(editor->findChild<QAction*>("Italic")->isEnabled());

    Surface().values[EditCommand::GetBlockFormat] = QStringLiteral("Heading 1");
    emit editor->Menu("FormatSub")->aboutToShow();
    EXPECT_TRUE(Item("FormatSub", "Heading 1")->isChecked());
    EXPECT_FALSE(Item("FormatSub", "Normal")->isChecked());
    Item("FormatSub", "Heading 2")->trigger();
    EXPECT_EQ(Surface().commands.back().id, EditCommand::SetBlockFormat);
    EXPECT_EQ(Surface().commands.back().argument.toString(), "Heading 2");
}

TEST_F(MainFormTest, FontBoxesDoNothingBeforeTheDocumentIsReady) {
    Open();
    auto* fonts = editor->findChild<QComboBox*>("FontCombo");
    fonts->setEnabled(true);
    fonts->setCurrentIndex(1);
    emit fonts->activated(1);
    EXPECT_TRUE(Surface().commands.empty());
    emit Surface().DocumentComplete();
    Surface().commands.clear();
    fonts->setCurrentIndex(4);
    emit fonts->activated(4);
    ASSERT_EQ(Surface().commands.size(), 1u);
    EXPECT_EQ(Surface().commands[0].id, EditCommand::SetFontName);
    EXPECT_EQ(Surface().commands[0].argument.toString(), "Verdana");
}

TEST_F(MainFormTest, ToolbarButtonsRunTheirCommands) {
    Open();
    emit Surface().DisplayChanged();  // the surface can run them here
    Surface().commands.clear();       // the font boxes' queries
    for (const char* key : {"Bold", "Italic", "Underline", "Numbers", "Bullets", "Outdent", "Indent", "LeftJustify",
                            "Center", "RightJustify"})
        editor->findChild<QAction*>(key)->trigger();
    EXPECT_EQ(Surface().CommandIds(), (std::vector<int>{5000, 5023, 5048, 5030, 5051, 5031, 5018, 5025, 5024, 5026}));
    for (const auto& command : Surface().commands) EXPECT_EQ(command.option, CommandOption::NoPrompt);
}

TEST_F(MainFormTest, TextModeShowsTheBodyWithColouredTagsAndGoesBackToTheSurface) {
    Open();
    Surface().document = "<HTML><HEAD></HEAD><BODY><p>Hi <!-- note --><b>there</b></p></BODY></HTML>";
    emit editor->findChild<HotSpot*>("Label8")->clicked();
    EXPECT_FALSE(editor->InHtmlMode());
    EXPECT_EQ(Caption("Label7"), "Text Mode");
    EXPECT_EQ(Source().toPlainText(), "<p>Hi <!-- note --><b>there</b></p>");
    EXPECT_EQ(doubles.platform->globals().editedBody, "<p>Hi <!-- note --><b>there</b></p>");
    const auto colourAt = [this](int position) {
        QTextCursor cursor(Source().document());
        cursor.setPosition(position + 1);
        return cursor.charFormat().foreground().color();
    };
    EXPECT_EQ(colourAt(0), QColor(255, 0, 0));  // <p>
    EXPECT_EQ(colourAt(3), QColor(Qt::black));  // Hi
    EXPECT_EQ(colourAt(7), QColor(0, 0, 255));  // the comment
    EXPECT_FALSE(Source().document()->isUndoAvailable()) << "the colouring is no edit to undo";
    Source().textCursor().insertText("x");
    Source().undo();
    EXPECT_EQ(colourAt(0), QColor(255, 0, 0)) << "undoing the user's typing keeps the colours";
    EXPECT_FALSE(editor->findChild<QToolBar*>("Toolbar2")->isHidden());

    Source().setPlainText("<p>Changed</p>");
    emit editor->findChild<HotSpot*>("Label4")->clicked();  // Go Back in text mode only returns to HTML mode
    EXPECT_TRUE(editor->InHtmlMode());
    EXPECT_EQ(Caption("Label7"), "HTML Mode");
    EXPECT_EQ(test::TempFolder::Read(DocumentFile()), "<p>Changed</p>\r\n");
    EXPECT_EQ(Surface().loads.size(), 2);
    EXPECT_TRUE(builder.calls.isEmpty());
    EXPECT_FALSE(editor.isNull());
}

TEST_F(MainFormTest, TheCommandsModeSwitchShowsTheSourceUncoloured) {
    Open();
    Surface().document = "<BODY><b>x</b></BODY>";
    editor->Label1_Click();
    EXPECT_EQ(Caption("Label7"), "TEXT Mode");
    QTextCursor cursor(Source().document());
    cursor.setPosition(1);
    EXPECT_NE(cursor.charFormat().foreground().color(), QColor(255, 0, 0));
}

TEST_F(MainFormTest, GoBackHandsTheBodyToTheBuilderBySectionAndCloses) {
    for (const bool sectionA : {true, false}) {
        Open();
        editor->setSectionA(sectionA);
        editor->move(70, 50);
        Surface().document = "<HTML><BODY>\r\n<p>Edited</p>\r\n</BODY></HTML>";
        editor->Label4_Click();
        EXPECT_EQ(doubles.platform->globals().editedBody, "\r\n<p>Edited</p>\r\n");
        EXPECT_EQ(builder.calls.back(), sectionA ? "afteredit" : "afteredit2");
        EXPECT_TRUE(builder.isVisible());
        EXPECT_EQ(builder.pos(), QPoint(70, 50)) << "the builder shows where the editor was";
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(editor.isNull());
        EXPECT_EQ(store::RtfPlainText(test::TempFolder::Read(DocumentFile())), "\r\n<p>Edited</p>\r\n")
            << "the editor leaves the body in the hand-over file as RTF";
        builder.hide();
    }
}

TEST_F(MainFormTest, ASaveThatFailsIsToldAndKeepsTheEditorOpen) {
    struct Case {
        std::errc error;
        const char* reason;
    };
    for (const Case& c :
         {Case{std::errc::no_space_on_device, "Disk is full"}, Case{std::errc::permission_denied, "Access denied"},
          Case{std::errc::no_such_file_or_directory, "Path not found"}}) {
        Open();
        Surface().saveError = std::make_error_code(c.error);
        editor->Label4_Click();
        ASSERT_FALSE(Messages().empty());
        EXPECT_EQ(Messages().back().text, QStringLiteral("Error occurred while saving document: %1.").arg(c.reason));
        EXPECT_EQ(Messages().back().icon, MessageIcon::Critical);
        EXPECT_TRUE(builder.calls.isEmpty());
        EXPECT_FALSE(editor.isNull());
        EXPECT_TRUE(editor->InHtmlMode());
        EXPECT_TRUE(editor->windowTitle().startsWith("Advanced Editor"));
        delete editor;
    }
}

TEST_F(MainFormTest, ClosingAnyOtherWayDropsTheEditsAndShowsTheBuilder) {
    Open();
    doubles.platform->globals().editedBody = "<p>from before</p>";
    editor->close();
    EXPECT_TRUE(builder.calls.isEmpty());
    EXPECT_TRUE(builder.isVisible());
}

TEST_F(MainFormTest, HtmlModeCommandsOnlyExplainThemselvesInTextMode) {
    Open();
    Surface().document = "<BODY>x</BODY>";
    editor->Label1_Click();
    const std::size_t before = Surface().commands.size();
    for (const auto& [menu, caption] : std::vector<std::pair<const char*, const char*>>{{"EditSub", "Undo"},
                                                                                        {"EditSub", "Snap To Grid"},
                                                                                        {"ViewSub", "Borders"},
                                                                                        {"InsertSub", "Links..."},
                                                                                        {"TableSub", "Insert Row"}}) {
        Item(menu, caption)->trigger();
        ASSERT_FALSE(Messages().empty()) << caption;
        EXPECT_EQ(Messages().back().text,
                  "This option only works in HTML MODE\r\nSwitch to HTML MODE to use this feature\r\n\r\n");
        EXPECT_EQ(Messages().back().caption, "Quick Help");
        EXPECT_EQ(Messages().back().icon, MessageIcon::Information);
    }
    editor->munpic_Click();
    emit editor->findChild<HotSpot*>("Label9")->clicked();
    EXPECT_EQ(Messages().size(), 7u);
    EXPECT_EQ(Surface().commands.size(), before);
    EXPECT_FALSE(Surface().SnapToGrid());
}

TEST_F(MainFormTest, EditAndTableMenusEnableWhatTheSurfaceCanDoHere) {
    Open();
    Surface().defaultStatus = CommandStatus::Disabled;
    Surface().statuses[EditCommand::Paste] = CommandStatus::Enabled;
    Surface().statuses[EditCommand::InsertTable] = CommandStatus::Enabled;
    emit editor->Menu("EditSub")->aboutToShow();
    emit editor->Menu("TableSub")->aboutToShow();
    EXPECT_TRUE(Item("EditSub", "Paste")->isEnabled());
    EXPECT_FALSE(Item("EditSub", "Cut")->isEnabled());
    EXPECT_TRUE(Item("TableSub", "Insert Table...")->isEnabled());
    EXPECT_FALSE(Item("TableSub", "Merge Cells")->isEnabled());
    QStringList edit;
    for (QAction* action : editor->Menu("EditSub")->actions()) edit << (action->isSeparator() ? "-" : action->text());
    EXPECT_EQ(edit, (QStringList{"Undo", "Redo", "-", "Cut", "Copy", "Paste", "Select All", "-", "Find Text", "-",
                                 "Snap To Grid"}));
    EXPECT_EQ(Item("EditSub", "Undo")->shortcut(), QKeySequence("Ctrl+Z"));
    EXPECT_EQ(Item("EditSub", "Find Text")->shortcut(), QKeySequence("Ctrl+F"));

    Surface().defaultStatus = CommandStatus::Enabled;
    emit editor->Menu("TableSub")->aboutToShow();
    Item("TableSub", "Merge Cells")->trigger();
    Item("EditSub", "Snap To Grid")->trigger();
    EXPECT_EQ(Surface().commands.back().id, EditCommand::MergeCells);
    EXPECT_TRUE(Surface().SnapToGrid());
    EXPECT_TRUE(Item("EditSub", "Snap To Grid")->isChecked());
}

TEST_F(MainFormTest, ContextMenuOffersPositioningAndTableItemsAndRunsThem) {
    Open();
    Surface().statuses[EditCommand::MakeAbsolute] = CommandStatus::Enabled;
    Surface().statuses[EditCommand::SendToBack] = CommandStatus::Disabled;
    Surface().statuses[EditCommand::InsertRow] = CommandStatus::Disabled;
    Surface().statuses[EditCommand::Cut] = CommandStatus::Disabled;
    EXPECT_EQ(Surface().RightClick(),
              (QStringList{"Cut", "Copy", "Paste", "", "Select All", "", "Font...", "", "Make 2D"}));
    EXPECT_EQ(Surface().menuStates.at(0), 2) << "Cut greyed";
    emit Surface().ContextMenuAction(8);
    EXPECT_EQ(Surface().commands.back().id, EditCommand::MakeAbsolute);

    Surface().statuses[EditCommand::InsertRow] = CommandStatus::Enabled;
    Surface().statuses[EditCommand::SendToBack] = CommandStatus::Enabled;
    EXPECT_EQ(Surface().RightClick().mid(7),
              (QStringList{"", "Make 1D", "", "Insert Row", "Insert Column", "", "Delete Row", "Delete Column"}));
    for (const auto& [index, id] : std::vector<std::pair<int, int>>{{10, EditCommand::InsertRow},
                                                                    {11, EditCommand::InsertColumn},
                                                                    {13, EditCommand::DeleteRows},
                                                                    {14, EditCommand::DeleteColumns},
                                                                    {6, EditCommand::FontDialog},
                                                                    {2, EditCommand::Paste}}) {
        emit Surface().ContextMenuAction(index);
        EXPECT_EQ(Surface().commands.back().id, id) << index;
    }
    EXPECT_EQ(Surface().commands.back().option, CommandOption::Default);
}

TEST_F(MainFormTest, WinToolsOpenTheDesktopsPrograms) {
    Open();
    qputenv("PAGEWRIGHT_VENDOR_SITE", "https://vendor.example");
    for (QAction* item : editor->menuBar()->actions()) {
        if (item->text() != QLatin1String("&Win tools")) continue;
        for (QAction* tool : item->menu()->actions()) tool->trigger();
    }
    EXPECT_EQ(doubles.shell->ran, (QStringList{"notepad.exe", "explorer.exe"}));
    EXPECT_EQ(doubles.shell->opened, QStringList{"https://vendor.example"});
}

// Reading the saved document back can fail after a good save (the file taken away, say):
// the failure is told with the file and its reason, and neither the editor nor the
// section changes, rather than the section becoming empty.
TEST_F(MainFormTest, AReadBackThatFailsIsToldAndChangesNothing) {
    for (const bool goBack : {true, false}) {
        Open();
        doubles.platform->globals().editedBody = "<p>Section before</p>";
        Surface().afterSave = [this] {
            fs::remove(DocumentFile());
            fs::create_directory(DocumentFile());  // a folder where the file was: unreadable
        };
        if (goBack) {
            editor->Label4_Click();
        } else {
            emit editor->findChild<HotSpot*>("Label8")->clicked();
        }
        ASSERT_FALSE(Messages().empty()) << goBack;
        EXPECT_EQ(Messages().back().text, QStringLiteral("Error occurred while reading document %1: Is a directory.")
                                              .arg(QString::fromStdString(DocumentFile().string())));
        EXPECT_EQ(Messages().back().icon, MessageIcon::Critical);
        EXPECT_EQ(doubles.platform->globals().editedBody, "<p>Section before</p>");
        EXPECT_TRUE(builder.calls.isEmpty());
        EXPECT_FALSE(editor.isNull());
        EXPECT_TRUE(editor->InHtmlMode()) << "the document stays on the surface";
        Surface().afterSave = nullptr;
        fs::remove(DocumentFile());
        delete editor;
        doubles.dialogs->shown.clear();
    }
}

// A command the engine does not answer is told, once each, and the picture hot-spot does
// not go on to the picture browser without its marker.
TEST_F(MainFormTest, ACommandTheSurfaceDoesNotAnswerIsTold) {
    Open();
    emit Surface().DisplayChanged();
    Surface().notAnswering = true;
    editor->findChild<QAction*>("Bold")->trigger();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages().back().text, "The editor did not answer; nothing was changed");
    bool browserShown = false;
    doubles.platform->windows().Register(WindowKind::preview, [&](Platform&, QWidget&) -> QWidget* {
        browserShown = true;
        return nullptr;
    });
    emit editor->findChild<HotSpot*>("Label9")->clicked();
    EXPECT_EQ(Messages().size(), 2u);
    EXPECT_FALSE(browserShown);
    EXPECT_TRUE(editor->InHtmlMode());
}

TEST_F(MainFormTest, CheckMarksAndPressedButtonsFollowTheDocument) {
    Open();
    emit Surface().DisplayChanged();
    QAction* snap = Item("EditSub", "Snap To Grid");
    snap->trigger();
    EXPECT_TRUE(snap->isChecked());
    snap->trigger();
    EXPECT_FALSE(snap->isChecked());
    Surface().document = "<BODY>x</BODY>";
    editor->Label1_Click();
    snap->trigger();  // in text mode: only the Quick Help message
    EXPECT_FALSE(Surface().SnapToGrid());
    EXPECT_FALSE(snap->isChecked()) << "the check mark follows the value, not the click";
    editor->Label1_Click();

    // Buttons that only act are never pressed; the others as the selection is.
    for (const char* key : {"Color", "Outdent", "Indent"})
        EXPECT_FALSE(editor->findChild<QAction*>(key)->isCheckable()) << key;
    Surface().statuses[EditCommand::NumberedList] = CommandStatus::Enabled;
    editor->findChild<QAction*>("Numbers")->trigger();
    EXPECT_FALSE(editor->findChild<QAction*>("Numbers")->isChecked()) << "not latched by the surface";
    Surface().statuses[EditCommand::Bold] = CommandStatus::Latched;
    editor->findChild<QAction*>("Bold")->trigger();
    EXPECT_TRUE(editor->findChild<QAction*>("Bold")->isChecked());
}

// The font box shows the font under the caret: the default font, and the first family
// of a list as browsers take it.
TEST_F(MainFormTest, TheFontBoxShowsTheFontUnderTheCaret) {
    Open();
    auto* fonts = editor->findChild<QComboBox*>("FontCombo");
    for (const auto& [answer, shown] :
         std::vector<std::pair<const char*, const char*>>{{"Times New Roman", "Times New Roman"},
                                                          {"Arial, Helvetica, sans-serif", "Arial"},
                                                          {"verdana", "Verdana"}}) {
        Surface().values[EditCommand::GetFontName] = QString::fromLatin1(answer);
        emit Surface().DisplayChanged();
        EXPECT_EQ(fonts->currentText(), shown) << answer;
    }
}

TEST_F(MainFormTest, FileExitClosesAsTheCloseBoxDoes) {
    Open();
    Surface().document = "<BODY><p>typed, then dropped</p></BODY>";
    editor->findChild<QAction*>("FileExit")->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(editor.isNull() || !editor->isVisible());
    EXPECT_TRUE(builder.calls.isEmpty()) << "the section is not taken over";
    EXPECT_TRUE(builder.isVisible());
}

TEST_F(MainFormTest, WinToolsSayWhichProgramIsMissing) {
    Open();
    doubles.shell->missing = {"notepad.exe"};
    for (QAction* item : editor->menuBar()->actions()) {
        if (item->text() != QLatin1String("&Win tools")) continue;
        for (QAction* tool : item->menu()->actions()) tool->trigger();
    }
    EXPECT_EQ(doubles.shell->ran, QStringList{"explorer.exe"});
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text, "Could not find notepad.exe: this desktop has no text editor to open in its place.");
}

// A section the surface cannot take is told before anything can be typed, with its size.
TEST_F(MainFormTest, ASectionTooLargeToEditIsToldWhenTheEditorOpens) {
    inst.Write("default/stand.1w1", std::string(3 * 1024 * 1024, 'x'));
    editor = new MainForm(*doubles.platform, &builder);
    Surface().loadError = SurfaceErrc::documentTooLarge;
    editor->Form_Load();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_TRUE(Messages()[0].text.startsWith("This section is 3.0 MB, more than the editor can open."))
        << Messages()[0].text.toStdString();
}

// Pictures pasted or dropped become pictures of the site beside the section, and the
// document refers to them by name; what is no picture is told and inserts nothing.
TEST_F(MainFormTest, PastedPicturesBecomePicturesOfTheSite) {
    Open();
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    const QByteArray png = test::Encoded(image, "PNG");
    EXPECT_EQ(Surface().DropPicture(png), "picture1.jpg");
    EXPECT_EQ(Surface().DropPicture(png), "picture2.jpg");
    EXPECT_TRUE(fs::exists(inst.path() / "default" / "picture1.jpg"));
    EXPECT_EQ(Surface().pastes, (QStringList{"<img src=\"picture1.jpg\">", "<img src=\"picture2.jpg\">"}));

    EXPECT_EQ(Surface().DropPicture("not a picture"), "");
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text,
              "The picture could not be added to your web site: not a picture this program can read.");
    EXPECT_EQ(Surface().pastes.size(), 2);
}

TEST_F(MainFormTest, SpellCheckCorrectsTheBodyAndReturnsToHtmlMode) {
    Open();
    Surface().document = "<HTML><BODY><p>Teh <b>shop</b> is opne</p></BODY></HTML>";
    doubles.spelling.misspelled = {"Teh", "opne"};
    doubles.spelling.answers = {{spell::Action::Change, "The"}, {spell::Action::Change, "open"}};
    doubles.spelling.wordsPerMinute = 42;
    editor->mnuspell_Click();
    EXPECT_EQ(doubles.spelling.checkedTexts, QStringList{"<p>Teh <b>shop</b> is opne</p>"});
    EXPECT_TRUE(editor->InHtmlMode());
    EXPECT_EQ(Caption("Label7"), "HTML Mode");
    EXPECT_EQ(test::TempFolder::Read(DocumentFile()), "<p>The <b>shop</b> is open</p>\r\n");
    ASSERT_FALSE(Messages().empty());
    EXPECT_EQ(Messages().back().text, "Spelling Check Completed.\r\n\r\nWords per minute: 42");
    EXPECT_EQ(Messages().back().icon, MessageIcon::None);
}

TEST_F(MainFormTest, SpellCheckFromTextModeKeepsWhatWasTypedThere) {
    Open();
    Surface().document = "<BODY><p>old</p></BODY>";
    editor->Label1_Click();
    Source().setPlainText("<p>typed in text mode</p>");
    editor->mnuspell_Click();
    EXPECT_EQ(doubles.spelling.checkedTexts, QStringList{"<p>typed in text mode</p>"});
    EXPECT_TRUE(editor->InHtmlMode());
}

// ---- Pictures ----

class PictureCommandTest : public MainFormTest {
protected:
    std::string choice;  // what the stand-in picture browser leaves in pickedFile
    int browsed = 0;

    void SetUp() override {
        MainFormTest::SetUp();
        doubles.platform->windows().Register(WindowKind::preview,
                                             [this](Platform& platform, QWidget& opener) -> QWidget* {
                                                 ++browsed;
                                                 auto* browser = new QDialog(&opener);
                                                 browser->setAttribute(Qt::WA_DeleteOnClose);
                                                 QTimer::singleShot(0, browser, [this, browser, &platform] {
                                                     platform.globals().pickedFile = choice;
                                                     browser->close();
                                                 });
                                                 return browser;
                                             });
    }
};

TEST_F(PictureCommandTest, AddPictureInsertsTheChosenPictureAtTheCaret) {
    Open();
    choice = "my photo.jpg";
    editor->munpic_Click();
    EXPECT_EQ(browsed, 1);
    EXPECT_EQ(Surface().pastes, QStringList{"<img src=\"my photo.jpg\">"});
    choice.clear();
    editor->munpic_Click();
    EXPECT_EQ(Surface().pastes.size(), 1) << "no picture chosen: nothing inserted";
}

TEST_F(PictureCommandTest, ThePictureHotSpotGoesThroughAMarkerInTheSource) {
    Open();
    choice = "shop.gif";
    // The recording surface pastes at the end of the body; a marker the user typed goes too.
    Surface().document = "<BODY><p>Our shop %%PLACE%%</p></BODY>";
    emit editor->findChild<HotSpot*>("Label9")->clicked();
    EXPECT_EQ(Surface().pastes, QStringList{"%%place%%"});
    EXPECT_TRUE(editor->InHtmlMode());
    EXPECT_EQ(test::TempFolder::Read(DocumentFile()), "<p>Our shop <IMG src=shop.gif ></p><IMG src=shop.gif >\r\n");

    choice.clear();
    Surface().document = "<BODY><p>Our shop</p></BODY>";
    emit editor->findChild<HotSpot*>("Label9")->clicked();
    EXPECT_EQ(test::TempFolder::Read(DocumentFile()), "<p>Our shop</p>\r\n") << "Exit removes the marker";
}

// The surface makes at most 1000 rows and 100 columns: more is refused before anything is
// inserted, rows first, rather than quietly made smaller.
TEST(InsertTableDlgTest, ChecksRowsThenColumnsAndInsertsTheTable) {
    test::TempFolder inst;
    testing::TestPlatform doubles{inst.path()};
    testing::RecordingEditingSurface surface;
    struct Case {
        const char *rows, *cols;
        const char* message;  // empty: inserted, as madeRows x madeCols
        int madeRows = 0, madeCols = 0;
    };
    const char* kRowsLimit = "Please specify a positive integer for the number of table rows, at most 1000.";
    const char* kColumnsLimit = "Please specify a positive integer for the number of table columns, at most 100.";
    for (const Case& c :
         {Case{"0", "2", "Please specify a positive integer for the number of table rows."},
          Case{"-1", "x", "Please specify a positive integer for the number of table rows."},
          Case{"abc", "2", "Please specify a positive integer for the number of table rows."},
          Case{"", "2", "Please specify a positive integer for the number of table rows."},
          Case{"2", "", "Please specify a positive integer for the number of table columns."},
          Case{"2.6", "3", "", 3, 3}, Case{"2000", "150", kRowsLimit}, Case{"1001", "2", kRowsLimit},
          Case{"2", "150", kColumnsLimit}, Case{"2", "100.6", kColumnsLimit}, Case{"1000", "100", "", 1000, 100}}) {
        InsertTableDlg dialog(*doubles.platform, surface);
        EXPECT_EQ(dialog.windowTitle(), "Insert Table");
        dialog.findChild<QLineEdit*>("Rows")->setText(c.rows);
        dialog.findChild<QLineEdit*>("Cols")->setText(c.cols);
        surface.commands.clear();
        doubles.dialogs->shown.clear();
        dialog.OkCmd_Click();
        if (*c.message) {
            ASSERT_EQ(doubles.dialogs->shown.size(), 1u) << c.rows << " x " << c.cols;
            EXPECT_EQ(doubles.dialogs->shown[0].text, c.message);
            EXPECT_EQ(doubles.dialogs->shown[0].icon, MessageIcon::Critical);
            EXPECT_TRUE(surface.commands.empty()) << c.rows << " x " << c.cols;
            EXPECT_EQ(dialog.result(), QDialog::Rejected) << "the dialog stays open";
            continue;
        }
        ASSERT_EQ(surface.commands.size(), 1u);
        EXPECT_EQ(surface.commands[0].id, EditCommand::InsertTable);
        EXPECT_EQ(surface.commands[0].option, CommandOption::NoPrompt);
        const auto table = surface.commands[0].argument.value<InsertTableParam>();
        EXPECT_EQ(table.NumRows, c.madeRows);
        EXPECT_EQ(table.NumCols, c.madeCols);
        EXPECT_EQ(table.TableAttrs, "border =1 cellpadding =1 cellspacing =1 width= 75%");
        EXPECT_EQ(table.Caption, "") << "an empty caption leaves the object's caption";
    }
}

}  // namespace
}  // namespace pw

#include "main_form_test.moc"
