#include "shell/general/form_fields.hpp"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

#include "shell/general/field_file.hpp"

namespace pw {
namespace {

// Children in creation order, depth first.
void CollectWidgets(const QObject& parent, QList<QWidget*>& out) {
    for (QObject* child : parent.children()) {
        if (auto* widget = qobject_cast<QWidget*>(child)) {
            out.append(widget);
            CollectWidgets(*widget, out);
        }
    }
}

QList<QWidget*> WidgetsInCreationOrder(const QWidget& window) {
    QList<QWidget*> widgets;
    CollectWidgets(window, widgets);
    return widgets;
}

bool IsTagged(const QWidget& widget) { return widget.property("tag").toString() == QLatin1String("T"); }

std::optional<QString> TextOf(const QWidget& widget) {
    if (auto* edit = qobject_cast<const QLineEdit*>(&widget)) return edit->text();
    if (auto* edit = qobject_cast<const QPlainTextEdit*>(&widget)) return edit->toPlainText();
    if (auto* edit = qobject_cast<const QTextEdit*>(&widget)) return edit->toPlainText();
    if (auto* label = qobject_cast<const QLabel*>(&widget)) return label->text();
    return std::nullopt;
}

// Only text boxes take loaded text; labels, rich-text holders and other controls keep theirs.
bool SetTextBoxText(QWidget& widget, const QString& text) {
    if (auto* edit = qobject_cast<QLineEdit*>(&widget)) return edit->setText(text), true;
    if (auto* edit = qobject_cast<QPlainTextEdit*>(&widget)) return edit->setPlainText(text), true;
    return false;
}

}  // namespace

std::string ToFileText(const QString& text) {
    QString withCrLf = text;
    withCrLf.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return withCrLf.toStdString();
}

QString FromFileText(const std::string& text) {
    return QString::fromStdString(text).replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

Result<void> SaveFormFields(QWidget& window, const std::filesystem::path& file, std::filesystem::perms perms) {
    std::string records;
    for (QWidget* widget : WidgetsInCreationOrder(window)) {
        if (IsTagged(*widget)) {
            if (const auto text = TextOf(*widget)) {
                records += FormatFieldRecord(ToFileText(*text), widget->objectName().toStdString());
            }
        }
        QCoreApplication::processEvents();
    }
    return SaveFileAtomically(file, records, perms);
}

Result<void> LoadFormFields(QWidget& window, const std::filesystem::path& file) {
    const auto bytes = ReadWholeFile(file);
    if (!bytes) return Fail(bytes.error());
    const QList<QWidget*> widgets = WidgetsInCreationOrder(window);
    for (const FieldRecord& record : ParseFieldRecords(*bytes)) {
        const QString name = QString::fromStdString(record.name);
        for (QWidget* widget : widgets) {
            if (widget->objectName() == name) SetTextBoxText(*widget, FromFileText(record.text));
        }
    }
    return {};
}

}  // namespace pw
