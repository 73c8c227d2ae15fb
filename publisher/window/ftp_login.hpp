#pragma once
// The FTP login: host, user name and password, remembered in the site's ftp.txt. "Upload
// Site" connects the publisher's FTP component and, when that works, opens the publisher.
#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace pw {

class Platform;

class FTPLogin : public QDialog {
    Q_OBJECT
public:
    // Builds the dialog without showing it. Deleted when closed.
    explicit FTPLogin(Platform& platform, QWidget* parent = nullptr);

    // The dialog for the main menu's publish commands, modeless: the open one brought to
    // the front, else a new one, loaded and shown.
    static FTPLogin* Open(Platform& platform);

    // Centres the dialog and fills the three boxes from ftp.txt (empty when it names none).
    void Form_Load();

    void Command2_Click();  // "Upload Site": the connect sequence
    void Cancel_Click();    // back to the main menu, nothing saved
    void Anonymous_Click();
    void Label1_Click();  // the hosting offer
    void Image1_Click();  // the quick help

    // The placeholder e-mail address "&Anonymous" puts into the password box.
    static const QString kAnonymousPassword;

private:
    void SaveSettings();

    Platform& platform_;
    QLineEdit* Host;
    QLineEdit* UserName;
    QLineEdit* Password;
    QPushButton* Cancel;
    QPushButton* Command2;
    QCheckBox* Anonymous;
};

}  // namespace pw
