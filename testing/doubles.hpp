#pragma once
// Port doubles for window tests: dialogs answer from a script and record what they
// showed; the shell records what it was asked to open; web panes record navigations;
// editing surfaces record commands, pastes, loads and saves; spell checkers find
// scripted misspellings and answer them from a script.
#include <QStringList>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "editor/spell/window/spell_checker.hpp"
#include "editor/surface/editing_surface.hpp"
#include "platform/platform.hpp"

namespace pw::testing {

struct ShownMessage {
    QString text;
    MessageButtons buttons;
    MessageIcon icon;
    QString caption;
    QString details;
};

class ScriptedDialogs final : public Dialogs {
public:
    // Answers given in order; when the script runs out, the first button's answer.
    std::deque<MessageAnswer> answers;
    std::deque<std::optional<QString>> inputs;
    std::vector<ShownMessage> shown;
    QStringList prompts;
    // Called as each message shows, to see the window as the user sees it then.
    std::function<void(const ShownMessage&)> whileShown;

    MessageAnswer Message(QWidget* parent, const QString& text, MessageButtons buttons, MessageIcon icon,
                          const QString& caption, const QString& details) override;
    std::optional<QString> Input(QWidget* parent, const QString& prompt, const QString& caption,
                                 const QString& defaultText) override;
};

class RecordingShell final : public Shell {
public:
    QStringList opened;
    QStringList ran;      // programs started
    QStringList ranIn;    // the working folder of each
    QStringList missing;  // programs Run cannot start: it records nothing and fails
    bool Open(const QString& addressOrFile) override;
    bool Run(const QString& program, const QString& workingFolder) override;
};

class RecordingWebPane final : public WebPane {
    Q_OBJECT
public:
    using WebPane::WebPane;
    QStringList navigations;     // every page shown
    QStringList withoutScripts;  // those shown with their scripts off
    void Navigate(const QString& fileOrAddress) override;
    void NavigateWithoutScripts(const QString& file) override;
    bool Busy() const override { return false; }
};

// An editing surface that records what the window asks of it. It keeps the document as
// text: LoadDocument reads the file (a fragment made whole as the real surface does, see
// WholeDocumentText), PasteHtmlAtCaret inserts before "</BODY>" (the caret is taken to be
// at the end), SaveDocument writes the text back. DocumentComplete follows a load once
// events are processed, as with the real surface.
class RecordingEditingSurface final : public EditingSurface {
    Q_OBJECT
public:
    struct Command {
        int id;
        int option;
        QVariant argument;
    };
    using EditingSurface::EditingSurface;

    QStringList loads;              // paths given to LoadDocument, in order
    QStringList saves;              // paths given to SaveDocument, in order
    std::vector<Command> commands;  // ExecCommand calls, in order
    QStringList pastes;             // PasteHtmlAtCaret texts, in order
    QStringList menuCaptions;       // the last SetContextMenu
    QList<int> menuStates;
    std::map<int, int> statuses;                 // QueryStatus answers by command id
    int defaultStatus = CommandStatus::Enabled;  // for ids not in `statuses`
    std::map<int, QVariant> values;              // ExecCommand answers by id (GetBlockFormatNames: the sixteen names)
    std::string document;                        // the document text
    std::error_code saveError;                   // when set, SaveDocument fails with it and writes nothing
    std::error_code loadError;                   // when set, LoadDocument fails with it and holds nothing
    std::function<void()> afterSave;             // run after each SaveDocument that wrote the file
    bool notAnswering = false;                   // commands and pastes change nothing and send CommandNotAnswered

    Result<void> LoadDocument(const QString& path) override;
    Result<void> SaveDocument(const QString& path) override;
    QVariant ExecCommand(int id, int option = CommandOption::Default, const QVariant& argument = {}) override;
    int QueryStatus(int id) const override;
    void SetContextMenu(const QStringList& captions, const QList<int>& states) override;
    void PasteHtmlAtCaret(const QString& html) override;
    QString CurrentDocumentPath() const override { return path_; }

    // A right click: ShowContextMenu, then the captions the window set, if any.
    QStringList RightClick(int x = 10, int y = 10);
    // The ids ExecCommand was called with, in order.
    std::vector<int> CommandIds() const;
    // A picture pasted or dropped: made a file through the picture store and inserted as
    // "<img src=NAME>" as the real surface does; the name, or empty when it was refused.
    QString DropPicture(const QByteArray& bytes);

protected:
    void ViewOptionsChanged() override {}

private:
    QString path_;
};

// What scripted spell checks find and answer, and what they were asked. Checks run on
// the box the window passes, through the same in-place correction as the real dialog.
struct SpellScript {
    std::set<std::string> misspelled;  // the words (UTF-8) a check finds wrong; every other word is right
    // The user's answers to the misspellings in turn, each with its replacement (for Change
    // and Change All); once they run out, Ignore.
    std::deque<std::pair<spell::Action, std::string>> answers;
    int wordsPerMinute = 0;        // the figure every check reports
    std::error_code startFailure;  // when set, checks fail with it before they start
    std::error_code addFailure;    // when set, Add fails with it, as with an unwritable KW5.dct

    QStringList checkedTexts;        // the box's text as each check began
    std::vector<std::string> asked;  // the misspellings put to the user, in order
    std::vector<std::string> added;  // the words added
};

class ScriptedSpellChecker final : public SpellChecker {
public:
    explicit ScriptedSpellChecker(SpellScript& script) : script_(script) {}
    Result<spell::CheckOutcome> CheckSpelling(QWidget* parent, QTextEdit& box) override;

private:
    SpellScript& script_;
};

// A platform of doubles over `inst`; the doubles stay reachable through the pointers.
struct TestPlatform {
    explicit TestPlatform(std::filesystem::path inst);
    ScriptedDialogs* dialogs;
    RecordingShell* shell;
    std::vector<RecordingWebPane*> panes;
    std::vector<RecordingEditingSurface*> surfaces;
    SpellScript spelling;  // shared by every spell checker the platform makes
    std::unique_ptr<Platform> platform;
};

}  // namespace pw::testing
