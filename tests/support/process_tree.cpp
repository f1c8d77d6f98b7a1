#include "process_tree.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

QList<qint64> processTree(qint64 root)
{
    QList<qint64> tree{root};
    const QStringList entries = QDir(u"/proc"_s).entryList(QDir::Dirs);
    for (qsizetype i = 0; i < tree.size(); ++i) {
        for (const QString &entry : entries) {
            QFile stat(u"/proc/%1/stat"_s.arg(entry));
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
    return std::any_of(pids.begin(), pids.end(), [](qint64 pid) { return QFile::exists(u"/proc/%1"_s.arg(pid)); });
}
