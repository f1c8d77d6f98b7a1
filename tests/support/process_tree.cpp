#include "process_tree.h"

#include <QDir>
#include <QFile>

QList<qint64> processTree(qint64 root)
{
    QList<qint64> tree{root};
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (qsizetype i = 0; i < tree.size(); ++i) {
        for (const QString &entry : entries) {
            QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
            if (!stat.open(QIODevice::ReadOnly))
                continue;
            const QByteArray text = stat.readAll();
            // "pid (name) state ppid …": the name may hold spaces and parentheses.
            const QList<QByteArray> after = text.mid(text.lastIndexOf(')') + 2).split(' ');
            if (after.value(1).toLongLong() == tree.at(i))
                tree.append(entry.toLongLong());
        }
    }
    return tree;
}

bool anyAlive(const QList<qint64> &pids)
{
    return std::any_of(pids.begin(), pids.end(),
                       [](qint64 pid) { return QFile::exists(QStringLiteral("/proc/%1").arg(pid)); });
}
