#include "editor/window/insert_table_dialog.hpp"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "editor/html_text.hpp"
#include "platform/platform.hpp"

namespace pw {
namespace {

std::string Typed(const QLineEdit* box) { return box->text().toStdString(); }

}  // namespace

InsertTableDlg::InsertTableDlg(Platform& platform, EditingSurface& surface, QWidget* parent)
    : QDialog(parent), platform_(platform), surface_(surface) {
    setObjectName(QStringLiteral("InsertTableDlg"));
    setWindowTitle(QStringLiteral("Insert Table"));
    setModal(true);

    auto* fields = new QFormLayout;
    const auto row = [&](const char* label, QLineEdit* box) { fields->addRow(QString::fromLatin1(label), box); };
    row("Caption:", TableCaption = Box("TableCaption", {}));
    row("Rows:", Rows = Box("Rows", {}));
    row("Columns:", Cols = Box("Cols", {}));
    row("Border:", Text1 = Box("Text1", QStringLiteral("1")));
    row("Cell padding:", Text2 = Box("Text2", QStringLiteral("1")));
    row("Cell spacing:", Text3 = Box("Text3", QStringLiteral("1")));
    row("Width:", Text4 = Box("Text4", QStringLiteral("75")));
    // Never seen: they carry the parameter object's attributes and the composed text.
    TableAttrs = Box("TableAttrs", {});
    CellAttrs = Box("CellAttrs", {});
    Text5 = Box("Text5", {});
    for (QLineEdit* hidden : {TableAttrs, CellAttrs, Text5}) hidden->hide();

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OkCmd"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("CancelCmd"));
    connect(ok, &QPushButton::clicked, this, &InsertTableDlg::OkCmd_Click);
    connect(cancel, &QPushButton::clicked, this, &InsertTableDlg::CancelCmd_Click);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    Form_Load();
}

QLineEdit* InsertTableDlg::Box(const char* name, const QString& text) {
    auto* box = new QLineEdit(text, this);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

void InsertTableDlg::Form_Load() {
    Rows->setText(QString::number(parameters_.NumRows));
    Cols->setText(QString::number(parameters_.NumCols));
    TableAttrs->setText(parameters_.TableAttrs);
    CellAttrs->setText(parameters_.CellAttrs);
    TableCaption->setText(parameters_.Caption);
}

void InsertTableDlg::OkCmd_Click() {
    Text5->setText(
        QString::fromStdString(editor::TableAttributes(Typed(Text1), Typed(Text2), Typed(Text3), Typed(Text4))));
    const auto rows = Count(Rows, InsertTableParam::kMaxRows, "rows");
    if (!rows) return;
    const auto columns = Count(Cols, InsertTableParam::kMaxCols, "columns");
    if (!columns) return;
    parameters_.NumRows = *rows;
    parameters_.NumCols = *columns;
    if (!TableAttrs->text().isEmpty()) parameters_.TableAttrs = Text5->text();
    if (!CellAttrs->text().isEmpty()) parameters_.CellAttrs = CellAttrs->text();
    if (!TableCaption->text().isEmpty()) parameters_.Caption = TableCaption->text();
    surface_.ExecCommand(EditCommand::InsertTable, CommandOption::NoPrompt, QVariant::fromValue(parameters_));
    accept();
}

// The count typed into `box`, or nothing once the message for `what` ("rows", "columns")
// is shown: the count must be positive, and no more than the surface makes.
std::optional<int> InsertTableDlg::Count(const QLineEdit* box, int most, const char* what) {
    const auto count = editor::TableCount(Typed(box));
    if (count && *count <= most) return count;
    const QString message = QStringLiteral("Please specify a positive integer for the number of table %1").arg(what);
    platform_.dialogs().Message(this, count ? message + QStringLiteral(", at most %1.").arg(most) : message + '.',
                                MessageButtons::Ok, MessageIcon::Critical);
    return std::nullopt;
}

void InsertTableDlg::CancelCmd_Click() { reject(); }

}  // namespace pw
