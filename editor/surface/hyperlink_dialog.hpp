#pragma once
// The dialog Hyperlink opens on the editing surface.
#include <QDialog>

class QLineEdit;

namespace pw {

// Our own small dialog for a link: its address and the text that shows it. The fields are
// QLineEdits named "Address" and "LinkText".
class HyperlinkDialog final : public QDialog {
public:
    HyperlinkDialog(QWidget* parent, const QString& address, const QString& text);
    QString address() const;  // without surrounding blanks
    QString text() const;

private:
    QLineEdit* address_;
    QLineEdit* text_;
};

}  // namespace pw
