#include "account/sign_in_storage.h"

#include "account/account_log.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace SignInStorage {

QString defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/Pelora/PeloraCompanion/sign-in"_s;
}

QString recordPath(const QString &folder)
{
    return folder + u"/session-cookie.json"_s;
}

QString wipeMarkerPath(const QString &folder)
{
    return folder + u"/sign-out-pending"_s;
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
    for (const QString &name : {u"/engine"_s, u"/cache"_s}) {
        if (!QDir(folder + name).removeRecursively())
            qCWarning(lcSession) << "could not remove all of" << folder + name;
    }
}

} // namespace SignInStorage
