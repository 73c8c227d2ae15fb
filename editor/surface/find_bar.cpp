#include "editor/surface/find_bar.hpp"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>
#include <QWebEngineFindTextResult>
#include <QWebEnginePage>

namespace pw {

FindBar::FindBar(QWidget* parent, QWebEnginePage* page)
    : QWidget(parent), page_(page), text_(new QLineEdit(this)), result_(new QLabel(this)) {
    setObjectName(QStringLiteral("FindBar"));
    text_->setObjectName(QStringLiteral("FindText"));
    text_->setPlaceholderText(tr("Find"));
    result_->setObjectName(QStringLiteral("FindResult"));
    auto* next = new QPushButton(tr("Find Next"), this);
    next->setObjectName(QStringLiteral("FindNext"));
    auto* close = new QToolButton(this);
    close->setObjectName(QStringLiteral("FindClose"));
    close->setText(QStringLiteral("\u00d7"));
    close->setToolTip(tr("Close"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(text_, 1);
    layout->addWidget(next);
    layout->addWidget(result_);
    layout->addWidget(close);
    connect(text_, &QLineEdit::returnPressed, this, &FindBar::FindNext);
    connect(next, &QPushButton::clicked, this, &FindBar::FindNext);
    connect(close, &QToolButton::clicked, this, &FindBar::Close);
    hide();
}

void FindBar::Open() {
    show();
    text_->setFocus();
    text_->selectAll();
}

void FindBar::FindNext() {
    if (text_->text().isEmpty()) return;
    QPointer<QLabel> result = result_;
    page_->findText(text_->text(), {}, [result](const QWebEngineFindTextResult& found) {
        if (!result) return;
        result->setText(found.numberOfMatches() == 0
                            ? tr("Not found")
                            : tr("%1 of %2").arg(found.activeMatch()).arg(found.numberOfMatches()));
    });
}

void FindBar::Close() {
    page_->findText(QString());
    result_->clear();
    hide();
}

void FindBar::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        Close();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace pw
