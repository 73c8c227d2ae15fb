#pragma once
// The page builder: the user fills in one of the site's three pages, hands its two
// sections to the page editor, and generates the page from the design's template.
#include <QMainWindow>
#include <array>
#include <string>
#include <string_view>

#include "builder/store/site_files.hpp"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QTextEdit;

namespace pw {

class HotSpot;
class PictureButton;
class Platform;
class SaveReport;
class WebPane;

class magic : public QMainWindow {
    Q_OBJECT
public:
    explicit magic(Platform& platform, QWidget* parent = nullptr);

    void Form_Load();

    // Page buttons and the "Build Page" menu entries.
    void Command3_Click();
    void Command8_Click();
    void Command9_Click();
    void ShowPage();

    // Section hot-spots: hand a section to the page editor, which opens in the builder's
    // place while the builder hides.
    void Image8_Click();
    void Image11_Click();
    // The page editor hands an edited section A or B back through editedBody.
    void afteredit();
    void afteredit2();

    void Label6_Click();    // show or hide the meta fields
    void Label7_Click();    // save, generate and preview the page
    void Command2_Click();  // regenerate all three pages after a design change

    void Image12_Click();
    void Image13_Click();
    void Image14_Click();

    void Label3_Click();  // to the main menu
    void Label2_Click();  // to the page names
    void mnuexit_Click();
    void mnuhelp_Click();
    void mnuphone_Click(bool phoneView);  // "Phone view" on or off

    // How wide a phone lays a page out, in CSS pixels.
    static constexpr int kPhoneWidth = 390;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void BuildPageControls(QWidget& client);
    void BuildLayoutPicture(QWidget& client);
    void BuildMetaFields(QWidget& client);
    void BuildUpdatePanel(QWidget& client);
    void BuildMenus();

    // A section's text exactly as stored. A text document cannot hold it: toPlainText turns
    // U+00A0 into a blank, and U+2028 and U+2029 become line breaks. The hidden holder
    // (RichTextBox1, RichTextBox3) shows it.
    struct Section {
        QTextEdit* holder = nullptr;
        std::string text;
    };
    static void SetSection(Section& section, std::string text);

    store::PageFiles CurrentFiles() const;
    void LoadCurrentPage();
    void SaveFields(SaveReport& report);
    void SaveSection(const Section& section, std::string_view fileName, SaveReport& report);
    void EditSection(const Section& section, bool sectionA);
    void TakeBackSection(Section& section, std::string_view fileName);

    Platform& platform_;
    PictureButton* Command3;
    PictureButton* Command8;
    PictureButton* Command9;
    std::array<PictureButton*, 3> pageButtons_{};  // by page
    QLabel* Label1;
    WebPane* WebBrowser1;
    QLabel* Picture2;
    HotSpot* Label7;
    QLineEdit* Text2;
    QLineEdit* Text26;
    QPlainTextEdit* Text5;
    QLineEdit* Text100;
    QLineEdit* Text24;
    std::array<QWidget*, 3> metaHelpIcons_{};
    Section sectionA_;  // in RichTextBox1
    Section sectionB_;  // in RichTextBox3
    QProgressBar* ProgressBar;
    QWidget* Frame1;
    QLabel* Picture1;
};

}  // namespace pw
