#include "platform/installation.hpp"

#include <unistd.h>
#include <QCryptographicHash>
#include <QDir>
#include <QStandardPaths>
#include <cstdlib>
#include <system_error>

namespace pw {
namespace fs = std::filesystem;

namespace {

bool IsWritableFolder(const fs::path& folder) { return ::access(folder.c_str(), W_OK) == 0; }

bool IsProgramBinary(const fs::path& file) {
    const std::string name = file.filename().string();
    return name == "pagewright" || name == "designpack" || name == "mkdesignpack";
}

}  // namespace

InstallationPlace LocateInstallation(const fs::path& programFolder) {
    if (const char* home = std::getenv("PAGEWRIGHT_HOME"); home && *home) return {fs::path(home), false};
    if (IsWritableFolder(programFolder)) return {programFolder, false};
    const fs::path dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).toStdString();
    return {dataHome / "pagewright", true};
}

void PrepareInstallation(const fs::path& programFolder, const InstallationPlace& place) {
    if (!place.fromShippedContent) return;
    std::error_code ec;
    fs::create_directories(place.inst, ec);
    FillFromShippedContent(programFolder, place.inst);
}

void FillFromShippedContent(const fs::path& programFolder, const fs::path& inst) {
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(programFolder, ec)) {
        if (IsProgramBinary(entry.path())) continue;
        const fs::path target = inst / entry.path().filename();
        if (fs::exists(target, ec)) continue;
        fs::copy(entry.path(), target, fs::copy_options::recursive, ec);
    }
}

std::unique_ptr<SingleInstance> SingleInstance::Acquire(const fs::path& inst) {
    // The lock lives outside <inst>: a second copy must end before it touches any file of
    // the installation. It lives in the user's own runtime folder where there is one, for
    // in the shared temporary folder another user could take the name first and so keep
    // this user's pagewright from ever starting.
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) folder = QDir::tempPath();
    const QByteArray key = QCryptographicHash::hash(QByteArray::fromStdString(fs::absolute(inst).lexically_normal()),
                                                    QCryptographicHash::Sha1)
                               .toHex()
                               .left(16);
    const QString path = folder + QStringLiteral("/pagewright-%1-%2.lock").arg(::getuid()).arg(key);
    auto lock = std::make_unique<QLockFile>(path);
    lock->setStaleLockTime(0);  // stale only when its owner process is gone
    if (!lock->tryLock(0)) return nullptr;
    return std::unique_ptr<SingleInstance>(new SingleInstance(std::move(lock)));
}

}  // namespace pw
