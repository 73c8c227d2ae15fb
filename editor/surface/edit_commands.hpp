#pragma once
// The editing commands in one table: the ids the editor's command tables store, and the
// names the surface's script runs them and reports their statuses by; the statuses; and
// the block formats with the element each makes. The script gets its tables from here.
#include <string_view>

namespace pw {

// Each editing command: its name in EditCommand, its id as the editor's command tables
// store it, and the name the surface's script runs it and reports its status by.
#define PW_EDIT_COMMANDS(X)                                                                   \
    X(Bold, 5000, "bold")                                                                     \
    X(Copy, 5002, "copy")                                                                     \
    X(Cut, 5003, "cut")                                                                       \
    X(DeleteCells, 5005, "deleteCells")                                                       \
    X(DeleteColumns, 5006, "deleteColumns")                                                   \
    X(DeleteRows, 5007, "deleteRows")                                                         \
    X(FindText, 5008, "findText")                                                             \
    X(FontDialog, 5009, "fontDialog")                                                         \
    X(GetBlockFormat, 5011, "getBlockFormat")           /* the current block format's name */ \
    X(GetBlockFormatNames, 5012, "getBlockFormatNames") /* a BlockFormatNames */              \
    X(GetFontName, 5013, "getFontName")                 /* the font name at the selection */  \
    X(GetFontSize, 5014, "getFontSize")                 /* its HTML font size, 1 to 7 */      \
    X(HyperlinkDialog, 5016, "hyperlinkDialog")                                               \
    X(Indent, 5018, "indent")                                                                 \
    X(InsertCell, 5019, "insertCell")                                                         \
    X(InsertColumn, 5020, "insertColumn")                                                     \
    X(InsertRow, 5021, "insertRow")                                                           \
    X(InsertTable, 5022, "insertTable") /* argument: an InsertTableParam */                   \
    X(Italic, 5023, "italic")                                                                 \
    X(Centre, 5024, "centre")                                                                 \
    X(LeftJustify, 5025, "leftJustify")                                                       \
    X(RightJustify, 5026, "rightJustify")                                                     \
    X(MakeAbsolute, 5028, "makeAbsolute") /* toggles absolute positioning at the selection */ \
    X(MergeCells, 5029, "mergeCells")                                                         \
    X(NumberedList, 5030, "numberedList")                                                     \
    X(Outdent, 5031, "outdent")                                                               \
    X(Paste, 5032, "paste")                                                                   \
    X(Redo, 5033, "redo")                                                                     \
    X(SelectAll, 5035, "selectAll")                                                           \
    X(SendToBack, 5040, "sendToBack")                                                         \
    X(SetBlockFormat, 5043, "setBlockFormat") /* argument: a name of BlockFormatNames */      \
    X(SetFontName, 5044, "setFontName")       /* argument: a font name */                     \
    X(SetFontSize, 5045, "setFontSize")       /* argument: 1 to 7 */                          \
    X(SetTextColour, 5046, "setTextColour")   /* argument: "#RRGGBB" */                       \
    X(SplitCell, 5047, "splitCell")                                                           \
    X(Underline, 5048, "underline")                                                           \
    X(Undo, 5049, "undo")                                                                     \
    X(BulletedList, 5051, "bulletedList")

// Command ids by name.
struct EditCommand {
#define PW_COMMAND_ID(name, id, scriptName) name = id,
    enum : int { PW_EDIT_COMMANDS(PW_COMMAND_ID) };
#undef PW_COMMAND_ID
};

// A command the surface knows, by id and by the script's name for it.
struct NamedCommand {
    int id;
    std::string_view name;
};
inline constexpr NamedCommand kEditCommands[] = {
#define PW_NAMED_COMMAND(name, id, scriptName) {EditCommand::name, scriptName},
    PW_EDIT_COMMANDS(PW_NAMED_COMMAND)
#undef PW_NAMED_COMMAND
};

// The script's name of command `id`; empty for an id the surface does not know.
constexpr std::string_view NameOfCommand(int id) {
    for (const NamedCommand& command : kEditCommands)
        if (command.id == id) return command.name;
    return {};
}
// The id of the command the script calls `name`; 0 for none.
constexpr int CommandNamed(std::string_view name) {
    for (const NamedCommand& command : kEditCommands)
        if (command.name == name) return command.id;
    return 0;
}

// What QueryStatus answers.
struct CommandStatus {
    enum : int { NotSupported = 0, Disabled = 1, Enabled = 3, Latched = 7 };
};
// The statuses by the names the script gives them.
struct NamedStatus {
    std::string_view name;
    int status;
};
inline constexpr NamedStatus kCommandStatuses[] = {
    {"kNotSupported", CommandStatus::NotSupported},
    {"kDisabled", CommandStatus::Disabled},
    {"kEnabled", CommandStatus::Enabled},
    {"kLatched", CommandStatus::Latched},
};

// The sixteen block formats, in the order GetBlockFormatNames gives them, with the
// element each makes of the text block at the selection.
struct BlockFormat {
    std::string_view name;
    std::string_view tag;
};
inline constexpr BlockFormat kBlockFormats[] = {
    {"Normal", "div"},     {"Formatted", "pre"},      {"Address", "address"},  {"Heading 1", "h1"},
    {"Heading 2", "h2"},   {"Heading 3", "h3"},       {"Heading 4", "h4"},     {"Heading 5", "h5"},
    {"Heading 6", "h6"},   {"Numbered List", "ol"},   {"Bulleted List", "ul"}, {"Directory List", "dir"},
    {"Menu List", "menu"}, {"Definition Term", "dt"}, {"Definition", "dd"},    {"Paragraph", "p"},
};

}  // namespace pw
