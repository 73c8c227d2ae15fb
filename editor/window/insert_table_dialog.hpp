#pragma once
// "Insert Table": the size and look of a new table, inserted at the caret of the
// editor's surface when the user presses OK.
#include <QDialog>
#include <optional>

#include "editor/surface/editing_surface.hpp"

class QLineEdit;

namespace pw {

class Platform;

class InsertTableDlg : public QDialog {
    Q_OBJECT
public:
    // Builds and loads the dialog on a fresh insert-table parameter object.
    InsertTableDlg(Platform& platform, EditingSurface& surface, QWidget* parent = nullptr);

    // Checks the row and column counts (each with its own message, the first failing one
    // told), then inserts the table and closes; with a count that is not usable the
    // dialog stays open with the user's entries.
    void OkCmd_Click();
    void CancelCmd_Click();

private:
    void Form_Load();
    QLineEdit* Box(const char* name, const QString& text);
    std::optional<int> Count(const QLineEdit* box, int most, const char* what);

    Platform& platform_;
    EditingSurface& surface_;
    InsertTableParam parameters_;
    QLineEdit* TableCaption;
    QLineEdit* Rows;
    QLineEdit* Cols;
    QLineEdit* Text1;  // border
    QLineEdit* Text2;  // cell padding
    QLineEdit* Text3;  // cell spacing
    QLineEdit* Text4;  // width, per cent
    QLineEdit* TableAttrs;
    QLineEdit* CellAttrs;
    QLineEdit* Text5;  // the composed table attributes
};

}  // namespace pw
