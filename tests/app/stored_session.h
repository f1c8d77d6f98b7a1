#pragma once

// What a signed-out companion must not leave on disk: the session token in
// any file, or a session cookie row in the web engine's cookie databases.
#include <QDirIterator>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <algorithm>

using namespace Qt::StringLiterals;

// Files under `folder` whose bytes contain one of `needles`.
inline QStringList filesContaining(const QString &folder, const QByteArrayList &needles)
{
    QStringList found;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
         it.hasNext();) {
        QFile file(it.next());
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        if (std::any_of(needles.begin(), needles.end(),
                        [&](const QByteArray &needle) { return bytes.contains(needle); }))
            found << file.fileName();
    }
    return found;
}

// Rows for the session cookie in the web engine's cookie databases.
inline int sessionCookieRows(const QString &folder)
{
    int rows = 0;
    for (QDirIterator it(folder, {u"Cookies"_s}, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"cookies"_s);
            db.setDatabaseName(it.next());
            QSqlQuery query(db);
            if (db.open() && query.exec(u"SELECT count(*) FROM cookies WHERE name = 'auth.session-token'"_s)
                && query.next())
                rows += query.value(0).toInt();
        }
        QSqlDatabase::removeDatabase(u"cookies"_s);
    }
    return rows;
}
