#pragma once
// "File Exists": asked when a member's file is already there. The "Stop asking" box
// turns Replace and Skip into their "all" forms and disables Rename.
#include <QDialog>
#include <filesystem>

#include "designpack/extract.hpp"

class QCheckBox;
class QLabel;
class QPushButton;

namespace pw::designpack {

class FileExistsDialog : public QDialog {
    Q_OBJECT
public:
    FileExistsDialog(const std::filesystem::path& path, QWidget* owner);

    // Shows the dialog modally; `closed` when its close box (or Esc) ended it.
    FileExistsAnswer Ask();

private:
    void Check1_Toggled(bool stopAsking);
    void Finish(FileExistsAnswer answer);

    QLabel* Label1;
    QPushButton* Command1;  // Replace
    QPushButton* Command2;  // Skip
    QPushButton* Command3;  // Rename
    QCheckBox* Check1;      // Stop asking
    FileExistsAnswer answer_ = FileExistsAnswer::closed;
};

}  // namespace pw::designpack
