#pragma once
// The bar Find Text opens below the editing surface's document.
#include <QWidget>

class QLabel;
class QLineEdit;
class QWebEnginePage;

namespace pw {

// The engine's own search: a text box, Find Next, the count of matches, and a close box
// (Escape closes too).
class FindBar final : public QWidget {
public:
    FindBar(QWidget* parent, QWebEnginePage* page);

    void Open();
    void FindNext();
    // Ends the search; the match found last stays selected for editing.
    void Close();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWebEnginePage* page_;
    QLineEdit* text_;
    QLabel* result_;
};

}  // namespace pw
