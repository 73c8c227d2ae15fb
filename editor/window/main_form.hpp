#pragma once
// The page editor: one text section of one page, edited on the WYSIWYG surface ("HTML
// mode") or as raw HTML with coloured tags ("text mode"). The builder hands the section
// over in the site's stand.1w1 and stays hidden; Go Back hands the edited body back
// through editedBody and SectionHandedBack.
#include <QMainWindow>
#include <QPointer>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QLineEdit;
class QTextEdit;
class QToolBar;

namespace pw {

class EditingSurface;
class HotSpot;
class Platform;
class SpellChecker;
class WebPane;

// Colours the tags of the raw HTML in `box`: red, comments and declarations blue, text black;
// the caret goes to the start with black for typing.
void ColourTags(QTextEdit& box);

class MainForm : public QMainWindow {
    Q_OBJECT
    // The section being edited: true for section A, false for B. Set by the builder.
    Q_PROPERTY(bool sectionA READ sectionA WRITE setSectionA)

public:
    // `builder` is the window that opened the editor; it is shown again when the editor
    // goes back or closes.
    MainForm(Platform& platform, QWidget* builder, QWidget* parent = nullptr);
    ~MainForm() override;

    void Form_Load();

    bool sectionA() const { return sectionA_; }
    void setSectionA(bool sectionA) { sectionA_ = sectionA; }

    // True while the surface shows (HTML mode); false in text mode.
    bool InHtmlMode() const;

    // Go Back: in text mode back to HTML mode; in HTML mode save, hand the body to the
    // builder and close. A save that fails is told and keeps the editor open.
    void Label4_Click();
    // The user's mode switch, and the one other commands use.
    void Label8_Click();
    void Label1_Click();
    // Colours the source text's tags: red, comments and declarations blue, text black.
    void ChangeColours();

    void mnuspell_Click();
    void Image5_Click();
    // The two picture commands: the picture browser, then the picture at the caret.
    void munpic_Click();
    void Label9_Click();

    // What the editor's commands need of the menus, for the tests and the command tables.
    QMenu* Menu(const QString& objectName) const;

signals:
    // Go Back left the edited body of section A (else B) in editedBody, for the builder.
    void SectionHandedBack(bool sectionA);

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    enum class Switch { User, Command };  // through Label8 or through Label1

    // An item of the surface's context menu: its caption and command (kSeparator: none), the
    // option the command runs with, and whether it shows greyed.
    struct ContextItem {
        QString caption;
        int id;
        int option = 0;  // CommandOption::Default
        bool greyed = false;
    };
    std::vector<ContextItem> ContextMenuItems() const;

    void BuildSurfaces(QWidget& client);
    void BuildLabels(QWidget& client);
    void BuildToolbars();
    void BuildMenus();
    void BuildEditMenu();
    void BuildTableMenu();
    QAction* GuardedAction(QMenu* menu, const QString& caption, const std::function<void()>& command);

    void FillFontBoxes();
    void OpenSection();
    void NamePage();
    void ShowTips();

    void GoBack();
    void CheckSpelling();
    void InsertPictureAtCaret();
    void InsertPictureThroughSource();

    void SwitchMode(Switch through);
    bool EnterTextMode(Switch through);
    bool ReturnToHtmlMode();
    // Saves the surface's document; a failure is told. True when saved.
    bool SaveDocument();
    // The Quick Help message for a command that works in HTML mode only; true when in it.
    bool GuardHtmlMode();
    void ShowPictureBrowser();
    void KeepBuilderWhereTheEditorIs();
    void ShowBuilder();

    void RunTool(const QString& program, const QString& kind);
    void TellNotAnswered();
    void TellPictureNotTaken(const QString& reason);
    void TellTooLarge();

    void SurfaceDocumentComplete();
    void SurfaceDisplayChanged();
    void SurfaceShowContextMenu();
    void SurfaceContextMenuAction(int index);
    void DisableFormattingControls();
    void RefreshFontBoxes();
    void FormatMenuOpening();
    void CommandMenuOpening(QMenu* menu);
    void Toolbar1_ButtonClick(const QString& key);
    void ChooseColour();
    void FontCombo_Click();
    void FontSizeCombo_Click();
    void InsertTable();

    Platform& platform_;
    QPointer<QWidget> builder_;
    std::shared_ptr<SpellChecker> spellChecker_;  // VSSpell1: keeps the words added during the session
    std::filesystem::path documentFile_;          // the site's stand.1w1
    bool sectionA_ = true;
    bool documentReady_ = false;
    bool formatMenuFilled_ = false;
    bool tellingNotAnswered_ = false;
    int unanswered_ = 0;                     // commands the surface left unanswered
    std::vector<ContextItem> contextItems_;  // of the context menu last shown, in its order

    EditingSurface* DHTMLEdit1;
    QTextEdit* RichTextBox1;
    QToolBar* Toolbar1;
    QToolBar* Toolbar2;
    QComboBox* FontCombo;
    QComboBox* FontSizeCombo;
    WebPane* WebBrowser1;
    QLabel* Label12;
    QLabel* Label7;
    QLineEdit* Text1;  // the name of the picture inserted last
    QMenu* FormatSub;
    QMenu* EditSub;
    QMenu* TableSub;
    QAction* snapToGrid_;
    QAction* borders_;
    QAction* details_;
    std::map<QString, QAction*> toolbarButtons_;  // by key
};

}  // namespace pw
