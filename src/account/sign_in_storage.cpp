#include "account/sign_in_storage.h"

#include "account/account_log.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace SignInStorage {

QString defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/Pelora/PeloraCompanion/sign-in");
}

QString recordPath(const QString &folder)
{
    return folder + QStringLiteral("/session-cookie.json");
}

QString wipeMarkerPath(const QString &folder)
{
    return folder + QStringLiteral("/sign-out-pending");
}

void makeOwnerOnlyFolder(const QString &path)
{
    QDir().mkpath(path);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void markWipePending(const QString &folder)
{
    makeOwnerOnlyFolder(folder);
    if (QFile marker(wipeMarkerPath(folder)); !marker.open(QIODevice::WriteOnly))
        qCWarning(lcSession) << "could not mark the sign-out as pending" << marker.errorString();
}

void removeEngineData(const QString &folder)
{
    for (const QString &name : {QStringLiteral("/engine"), QStringLiteral("/cache")}) {
        if (!QDir(folder + name).removeRecursively())
            qCWarning(lcSession) << "could not remove all of" << folder + name;
    }
}

} // namespace SignInStorage
