#pragma once
// The start-up object: never shown. Loading it prepares the default site on the very
// first start, then hands over to the main menu.
#include <QWidget>

class QLineEdit;
class QProgressBar;
class QTextEdit;

namespace pw {

class Platform;

class begin : public QWidget {
    Q_OBJECT
public:
    explicit begin(Platform& platform, QWidget* parent = nullptr);

    // The whole start-up sequence; ends by showing the main menu.
    void Form_Load();

private:
    void PrepareDefaultSite();
    void SaveSeedFieldFiles();
    void SaveSeedSections();
    void CopySeedFiles();

    Platform& platform_;
    QLineEdit* Text1;
    QTextEdit* RichTextBox1;
    QProgressBar* ProgressBar;
};

// Places `window` at the centre of the screen it would appear on.
void CentreOnScreen(QWidget& window);

}  // namespace pw
