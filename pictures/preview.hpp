#pragma once
// The picture browser: the user walks the drives and folders of the computer, sees the
// JPEG and GIF pictures of a folder, previews one and adds it to the page. "Add It!"
// copies the picture into the site folder; the result is the shared string pickedFile
// (empty: nothing to insert).
#include <QByteArray>
#include <QDialog>
#include <QString>
#include <optional>

class QComboBox;
class QFileSystemModel;
class QLabel;
class QListWidget;
class QProgressBar;
class QTreeView;

namespace pw {

class Platform;

class preview : public QDialog {
    Q_OBJECT
public:
    explicit preview(Platform& platform, QWidget* parent = nullptr);

    // The folder list on the first drive's folder, the file list on that folder.
    void Form_Load();

    void Drive1_Change();
    void Dir1_Change();
    // A picture chosen in the file list: previewed, and its name kept in pickedFile.
    void File1_Click();
    void Label1_Click();   // "Add It!"
    void Label28_Click();  // "Exit"
    void Image5_Click();   // the help message

    // The folder the file list shows.
    QString FolderPath() const { return folder_; }
    // Shows `folder` in the folder and file lists, as choosing it there would.
    void OpenFolder(const QString& folder);

protected:
    // Closed any other way than by "Add It!", nothing is to be inserted.
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildLists();
    void BuildCommands();
    void RefreshFiles();
    QString PathOf(const QString& fileName) const;
    std::optional<QByteArray> OfferWebCopy(const QString& picture);

    Platform& platform_;
    QString folder_;
    QString pickedPath_;  // where pickedFile was chosen: the picture that was previewed
    bool added_ = false;
    QComboBox* Drive1;
    QFileSystemModel* folders_;
    QTreeView* dir1;
    QListWidget* File1;
    QLabel* Image1;
    QProgressBar* ProgressBar;
};

// The "drives" of this computer: the home folder and "/" first, then every mounted volume
// that is ready, each shown by its label (or its device) and mount point.
struct Drive {
    QString caption;
    QString rootPath;
};
QList<Drive> Drives();

}  // namespace pw
