#include "platform/shell_port.hpp"

#include "platform/web_pane.hpp"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace pw {
namespace {

// The first of the desktop's usual programs for a role that is installed; empty when none is.
QString FirstInstalled(const QStringList& candidates) {
    for (const QString& candidate : candidates) {
        if (!QStandardPaths::findExecutable(candidate).isEmpty()) return candidate;
    }
    return {};
}

QString DesktopEquivalent(const QString& program) {
    const QString name = QFileInfo(program).fileName().toLower();
    if (name == QLatin1String("notepad.exe"))
        return FirstInstalled({"gnome-text-editor", "gedit", "kate", "mousepad", "pluma", "xed"});
    if (name == QLatin1String("explorer.exe"))
        return FirstInstalled({"nautilus", "dolphin", "thunar", "pcmanfm", "nemo", "caja"});
    return program;
}

}  // namespace

bool DesktopShell::Open(const QString& addressOrFile) {
    return QDesktopServices::openUrl(UrlForFileOrAddress(addressOrFile));
}

bool DesktopShell::Run(const QString& program, const QString& workingFolder) {
    const QString equivalent = DesktopEquivalent(program);
    return !equivalent.isEmpty() && QProcess::startDetached(equivalent, {}, workingFolder);
}

}  // namespace pw
