#include "designpack/app/file_exists_dialog.hpp"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace pw::designpack {

FileExistsDialog::FileExistsDialog(const std::filesystem::path& path, QWidget* owner) : QDialog(owner) {
    setWindowTitle("File Exists");
    Label1 = new QLabel(QString("File already exists:\n\t") + QString::fromStdString(path.string()), this);
    Label1->setObjectName("Label1");
    Command1 = new QPushButton("&Replace", this);
    Command1->setObjectName("Command1");
    Command1->setDefault(true);
    Command2 = new QPushButton("&Skip", this);
    Command2->setObjectName("Command2");
    Command3 = new QPushButton("Re&name", this);
    Command3->setObjectName("Command3");
    Check1 = new QCheckBox("Stop &asking", this);
    Check1->setObjectName("Check1");

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    buttons->addWidget(Command3);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addLayout(buttons);
    layout->addWidget(Check1);

    connect(Check1, &QCheckBox::toggled, this, &FileExistsDialog::Check1_Toggled);
    connect(Command1, &QPushButton::clicked, this,
            [this] { Finish(Check1->isChecked() ? FileExistsAnswer::replaceAll : FileExistsAnswer::replace); });
    connect(Command2, &QPushButton::clicked, this,
            [this] { Finish(Check1->isChecked() ? FileExistsAnswer::skipAll : FileExistsAnswer::skip); });
    connect(Command3, &QPushButton::clicked, this, [this] { Finish(FileExistsAnswer::rename); });
}

FileExistsAnswer FileExistsDialog::Ask() {
    answer_ = FileExistsAnswer::closed;
    Check1->setChecked(false);
    exec();
    return answer_;
}

void FileExistsDialog::Check1_Toggled(bool stopAsking) {
    Command1->setText(stopAsking ? "&Replace all" : "&Replace");
    Command2->setText(stopAsking ? "&Skip all" : "&Skip");
    Command3->setEnabled(!stopAsking);
}

void FileExistsDialog::Finish(FileExistsAnswer answer) {
    answer_ = answer;
    accept();
}

}  // namespace pw::designpack
