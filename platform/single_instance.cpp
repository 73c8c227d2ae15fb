#include "platform/single_instance.hpp"

#include <unistd.h>
#include <QCryptographicHash>
#include <QDir>
#include <QStandardPaths>

namespace pw {
namespace fs = std::filesystem;

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
