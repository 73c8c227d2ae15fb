#pragma once
// The page-names window: the user names the site's three pages here. The names live
// in the site's page-names file, read when the window loads and written whenever it
// unloads (closes), whichever way that happens.
#include <QMainWindow>

#include <filesystem>
#include "builder/store/site_files.hpp"

class QLineEdit;

namespace pw {

class HotSpot;
class PictureButton;
class Platform;
class WebPane;

class submit : public QMainWindow {
    Q_OBJECT
public:
    // Builds the window without showing it; call Form_Load next. Unload it with close(),
    // which saves the names and deletes the window; deleting it directly saves nothing.
    explicit submit(Platform& platform, QWidget* parent = nullptr);

    // Opening steps: size, caption, logo pane, names from the page-names file. Shows
    // nothing, so another window can load this one hidden just to read the names.
    void Form_Load();

    // Open the builder on page one, two or three.
    void Command3_Click();
    void Command8_Click();
    void Command9_Click();
    void Label1_Click();
    // Go to the main menu.
    void Label2_Click();
    void mnustart_Click();
    // Show the help viewer beside this window.
    void mnuhelp_Click();

protected:
    // Unloading, by any route: the names are saved before the window goes.
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void BuildPictures(QWidget& client);
    void BuildNameBoxes(QWidget& client);
    void BuildHotSpots(QWidget& client);
    void BuildMenus();
    void OpenBuilderOn(store::Page page);
    void GoToMainMenu();
    // A name typed into Page2 or Page3 that cannot name the page's file.
    void TellNameFault(store::Page page, const QLineEdit& name);
    // The site's page-names file.
    std::filesystem::path PageNamesFile() const;

    Platform& platform_;
    PictureButton* Command3;
    PictureButton* Command8;
    PictureButton* Command9;
    QLineEdit* page1;
    QLineEdit* Page2;
    QLineEdit* Page3;
    HotSpot* Label1;
    HotSpot* Label2;
    WebPane* WebBrowser2;
};

}  // namespace pw
