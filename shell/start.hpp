#pragma once
// The main menu: a picture with click areas over its drawn items, page buttons, a
// logo pane and a site list.
#include <QMainWindow>
#include <optional>
#include <string>

#include "builder/store/site_files.hpp"

class QListWidget;
class QLabel;
class QMenu;

namespace pw {

class HotSpot;
class PictureButton;
class Platform;
class WebPane;

class start : public QMainWindow {
    Q_OBJECT
public:
    explicit start(Platform& platform, QWidget* parent = nullptr);

    void Form_Load();

    // Page buttons: set the page, then open the builder.
    void Command3_Click();
    void Command8_Click();
    void Command9_Click();
    void Label3_Click();  // open the builder on the current page
    void Label4_Click();  // open the page names
    void File1_Click();   // make the chosen site current and open the builder
    // Open the FTP login beside the menu, which stays open until the publisher shows.
    void Label2_Click();
    void mnuftp_Click();
    void mnuhelpy_Click();

    // Open a vendor page in the user's browser.
    void Label1_Click();
    void Label8_Click();
    void Label9_Click();
    void Image2_Click();
    void Label10_Click();
    void mnuexit_Click();

    // Design switching: the chooser (Frame1) starts a design pack; the continue panel
    // (Frame2) leads into the builder's update of all pages.
    void Label14_Click();   // show the chooser
    void Image4_Click();    // start comp1.exe
    void Image5_Click();    // start comp2.exe
    void Image6_Click();    // start comp3.exe
    void Label32_Click();   // Cancel in the chooser
    void Label33_Click();   // "Get more designs"
    void Label12_Click();   // Cancel in the continue panel
    void Command4_Click();  // "GO"
    void Label34_Click();   // "Back to the previous design", shown while a copy is kept
    void mnunew_Click();    // "New Site..."

    // Lists the site markers of the installation folder.
    void RefreshFile1();

protected:
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void BuildPictures(QWidget& client);
    void BuildHotSpots(QWidget& client);
    void BuildDesignChooser(QWidget& client);
    void BuildContinuePanel(QWidget& client);
    void BuildMenus();
    void StartDesignPack(int number);
    bool KeepCurrentDesign();
    void OpenBuilderForDesign(bool updateNow);
    std::optional<std::string> AskNewSiteName();
    void OpenVendorPage(const QString& path, bool busyPointer);
    void OpenBuilderOn(store::Page page);
    bool refreshingFile1_ = false;

    Platform& platform_;
    PictureButton* Command3;
    PictureButton* Command8;
    PictureButton* Command9;
    HotSpot* Label1;
    HotSpot* Label2;
    HotSpot* Label3;
    HotSpot* Label4;
    HotSpot* Label6;
    HotSpot* Label8;
    HotSpot* Label9;
    HotSpot* Label14;
    QLabel* Label10;
    QLabel* Image2;
    QWidget* Picture1;
    WebPane* WebBrowser2;
    QListWidget* File1;
    QWidget* Frame1;  // the design chooser
    QLabel* Image31;  // the bullet of Label34
    HotSpot* Label34;
    QWidget* Frame2;  // the continue panel, above the chooser
};

}  // namespace pw
