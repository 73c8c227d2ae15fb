#pragma once
// The page editor's WYSIWYG surface: one HTML document, editable, with numbered commands
// (edit_commands.hpp), their states, a context menu the window fills, and view options.
// Windows only wire widgets to it; the real surface runs on Qt WebEngine, tests use a recording double.
#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "editor/surface/edit_commands.hpp"
#include "shell/general/result.hpp"

namespace pw {

// The second argument of ExecCommand.
struct CommandOption {
    enum : int { Default = 0, Prompt = 1, NoPrompt = 2 };
};

// Filled by GetBlockFormatNames: the names SetBlockFormat takes and GetBlockFormat answers.
struct BlockFormatNames {
    QStringList Names;
};

// The argument of InsertTable. The defaults are what the insert-table dialog starts from.
struct InsertTableParam {
    // The largest table the surface makes; InsertTable refuses more.
    static constexpr int kMaxRows = 1000;
    static constexpr int kMaxCols = 100;

    int NumRows = 2;
    int NumCols = 2;
    QString TableAttrs = QStringLiteral("border=1 cellPadding=1 cellSpacing=1 width=75%");  // written into <table ...>
    QString CellAttrs;  // written into each <td ...>
    QString Caption;    // empty: no caption
};

// The names of kBlockFormats, in the order GetBlockFormatNames gives them.
const QStringList& ClassicBlockFormatNames();

// Why a surface could not save or load, besides the errno values of the file system.
enum class SurfaceErrc {
    engineNotAnswering = 1,  // the browser engine gave no answer before the deadline
    noDocument,              // nothing was loaded successfully, so there is nothing to save
    documentTooLarge,        // the document exceeds what the engine can be given at once
};
const std::error_category& surface_category();
std::error_code make_error_code(SurfaceErrc e);

// The number the editor window's save message is chosen by: 70 access denied, 0x80070027
// disk full, 0x80070003 path not found, 0x8000FFFF unexpected error (the engine did not
// answer, or nothing to save), 5 invalid argument; any other failure 0x80004005.
std::uint32_t SaveErrorNumber(std::error_code error);

// The text a file holds as a whole document: a fragment (no <html>, <head> or <body> tag, no
// doctype) is wrapped into one, without the single line break that ends a handed-over
// section; a whole document comes back as it is.
std::string WholeDocumentText(std::string_view fileText);

// A whole document cut around the content of its body, so that the engine can be given the
// small rest at once and the content in pieces: `outer` is the document with its body
// emptied, `content` what stood between the body's start and end tags (to the end of the
// text when there is no end tag). Tags inside comments, other tags and scripts do not
// count. Nothing when the document has no body start tag.
struct BodyCut {
    std::string outer;
    std::string content;
};
std::optional<BodyCut> CutAtBody(std::string_view document);

// `html` with the value of every img element's src attribute that is a data: picture
// address replaced by the file name `nameFor` gives for that address; an address it gives
// no name for stays as it was.
std::string ReplaceDataPictureAddresses(std::string_view html,
                                        const std::function<std::optional<std::string>(std::string_view)>& nameFor);

// Makes a picture file of the site from a picture's bytes (pasted, dropped, or taken from
// a data: address) and gives the file name the document refers to it by.
using PictureStore = std::function<Result<std::string>(const QByteArray& bytes)>;

class EditingSurface : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    // Shows the file for editing (see WholeDocumentText); DocumentComplete follows once the
    // surface accepts commands. Fails when the file cannot be read; the surface then holds
    // no document and SaveDocument refuses, so the file is never overwritten with nothing.
    virtual Result<void> LoadDocument(const QString& path) = 0;

    // Writes the whole document as UTF-8 HTML with exactly one "<BODY>" ... "</BODY>" pair,
    // through a temporary file renamed over `path`. Returns once written or failed, within a
    // few seconds whatever the engine does; user input waits meanwhile. Errors: errno values
    // of the file system, or SurfaceErrc. Map them for the user with SaveErrorNumber.
    virtual Result<void> SaveDocument(const QString& path) = 0;

    // Runs a command (EditCommand) on the selection; `option` is a CommandOption. Returns
    // the command's value where it has one (the Get... commands), otherwise nothing.
    // FindText, FontDialog and HyperlinkDialog open their own bar or dialog; HyperlinkDialog
    // with NoPrompt and an address as argument links the selection without asking.
    virtual QVariant ExecCommand(int id, int option = CommandOption::Default, const QVariant& argument = {}) = 0;

    // CommandStatus of a command at the current selection, answered at once.
    virtual int QueryStatus(int id) const = 0;

    // Call while handling ShowContextMenu: the menu shown instead of the engine's own. An
    // empty caption is a separator; state bit 2 greys an item, bit 1 checks it.
    virtual void SetContextMenu(const QStringList& captions, const QList<int>& states) = 0;

    // Inserts HTML at the caret, replacing any selection, as one step Undo takes back
    // (the document's selection, its range, and the range's pasteHTML).
    virtual void PasteHtmlAtCaret(const QString& html) = 0;

    // The file last given to LoadDocument or SaveDocument.
    virtual QString CurrentDocumentPath() const = 0;

    // Where pictures pasted or dropped into the document, and data: picture addresses in
    // it, become files. Without one, pictures are not taken in and addresses stay.
    void SetPictureStore(PictureStore store) { pictureStore_ = std::move(store); }

    // View options, kept across loads. Borders: dotted outlines of tables and cells.
    // Details: marks for comments and block ends. Snap to grid: positioned elements
    // move in 8-pixel steps.
    bool ShowBorders() const { return showBorders_; }
    bool ShowDetails() const { return showDetails_; }
    bool SnapToGrid() const { return snapToGrid_; }
    void SetShowBorders(bool on);
    void SetShowDetails(bool on);
    void SetSnapToGrid(bool on);

signals:
    void DocumentComplete();
    void DisplayChanged();               // selection or formatting changed
    void ShowContextMenu(int x, int y);  // in surface coordinates; answer with SetContextMenu
    void ContextMenuAction(int index);   // the item chosen, counted from 0
    // A command (ExecCommand, PasteHtmlAtCaret) got no answer before the deadline; the
    // document was left as it was.
    void CommandNotAnswered();
    // A pasted or dropped picture could not be made a file of the site, for `reason`.
    void PictureNotTaken(const QString& reason);

protected:
    // The view options changed; the implementation shows them.
    virtual void ViewOptionsChanged() = 0;

    const PictureStore& pictureStore() const { return pictureStore_; }

private:
    PictureStore pictureStore_;
    bool showBorders_ = false;
    bool showDetails_ = false;
    bool snapToGrid_ = false;
};

}  // namespace pw

template <>
struct std::is_error_code_enum<pw::SurfaceErrc> : std::true_type {};

Q_DECLARE_METATYPE(pw::BlockFormatNames)
Q_DECLARE_METATYPE(pw::InsertTableParam)
