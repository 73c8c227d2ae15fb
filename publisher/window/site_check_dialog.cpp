#include "publisher/window/site_check_dialog.hpp"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "platform/platform.hpp"
#include "publisher/window/screen_pointer.hpp"

namespace pw {
namespace {

QString SummaryText(std::size_t count) {
    if (count == 0) return QString::fromUtf8(publisher::kNoProblemsText);
    if (count == 1) return QStringLiteral("1 thing to put right before you publish:");
    return QStringLiteral("%1 things to put right before you publish:").arg(count);
}

}  // namespace

SiteCheckDialog::SiteCheckDialog(const std::vector<publisher::Finding>& findings, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("SiteCheckDialog"));
    setWindowTitle(QStringLiteral("Check Site"));
    setModal(true);

    auto* summary = new QLabel(SummaryText(findings.size()), this);
    summary->setObjectName(QStringLiteral("Summary"));

    auto* list = new QListWidget(this);
    list->setObjectName(QStringLiteral("Findings"));
    list->setWordWrap(true);
    list->setTextElideMode(Qt::ElideNone);
    list->setResizeMode(QListView::Adjust);
    list->setAlternatingRowColors(true);
    list->setSpacing(2);
    list->setIconSize(QSize(16, 16));
    const QIcon warning = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    for (const publisher::Finding& finding : findings) {
        auto* item = new QListWidgetItem(warning, QString::fromStdString(publisher::FindingLine(finding)), list);
        item->setToolTip(item->text());
    }
    list->setVisible(!findings.empty());

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setObjectName(QStringLiteral("OK"));
    ok->setDefault(true);
    ok->setFocus();  // Enter closes the dialog; no finding starts out highlighted
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary);
    layout->addWidget(list, 1);
    layout->addWidget(buttons);
    if (findings.empty()) {
        resize(360, sizeHint().height());  // wide enough for the caption
    } else {
        resize(720, 420);
    }
}

void SiteCheckDialog::Show(Platform& platform, QWidget* parent) {
    const std::filesystem::path folder = platform.SiteFolderPath();
    Result<std::vector<publisher::Finding>> findings;
    {
        const ScreenPointer busy(Qt::WaitCursor);
        findings = publisher::CheckSite(folder);
    }
    if (!findings) {
        platform.dialogs().Message(
            parent, QStringLiteral("The site folder could not be read, so it was not checked."), MessageButtons::Ok,
            MessageIcon::Exclamation, kAppTitle,
            ToQString(folder) + QStringLiteral(": ") + QString::fromStdString(findings.error().message()));
        return;
    }
    SiteCheckDialog dialog(*findings, parent);
    dialog.exec();
}

}  // namespace pw
