#include "editor/surface/hyperlink_dialog.hpp"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>

namespace pw {

HyperlinkDialog::HyperlinkDialog(QWidget* parent, const QString& address, const QString& text)
    : QDialog(parent), address_(new QLineEdit(address, this)), text_(new QLineEdit(text, this)) {
    setWindowTitle(tr("Hyperlink"));
    address_->setObjectName(QStringLiteral("Address"));
    text_->setObjectName(QStringLiteral("LinkText"));
    address_->setMinimumWidth(320);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow(tr("Address:"), address_);
    form->addRow(tr("Text:"), text_);
    form->addRow(buttons);
    address_->selectAll();
}

QString HyperlinkDialog::address() const { return address_->text().trimmed(); }
QString HyperlinkDialog::text() const { return text_->text(); }

}  // namespace pw
