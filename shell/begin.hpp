#pragma once
// The start-up object: never shown. Loading it prepares the default site on the very
// first start, then hands over to the main menu.
#include <QWidget>

class QProgressBar;

namespace pw {

class Platform;

class begin : public QWidget {
    Q_OBJECT
public:
    explicit begin(Platform& platform, QWidget* parent = nullptr);

    // The whole start-up sequence; ends by showing the main menu. A first start that
    // cannot prepare the site leaves no "default" behind, so the next start prepares it
    // again; the main menu opens all the same, with a message naming the file and the reason.
    void Form_Load();

private:
    Platform& platform_;
    QProgressBar* ProgressBar;  // the copies' progress; the window is never shown
};

}  // namespace pw
