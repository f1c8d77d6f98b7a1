#include "lookup/gnome_custom_shortcut.h"

#include "card/key_texts.h"

#include <QLoggingCategory>
#include <QProcess>
#include <QRegularExpression>
#include <qcoro/qcoroprocess.h>

#include <chrono>
#include <memory>

using namespace Qt::StringLiterals;

Q_LOGGING_CATEGORY(lcGnomeShortcut, "pelora.shortcut.gnome", QtWarningMsg)

namespace GnomeCustomShortcut {

namespace {

constexpr std::chrono::milliseconds gsettingsTimeout{5000};

// Runs `gsettings` with the arguments: its output when it succeeds.
QCoro::Task<std::optional<QString>> gsettings(QStringList arguments)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessChannelMode(QProcess::SeparateChannels);
    if (!co_await qCoro(process.get()).start(u"gsettings"_s, arguments)) {
        qCInfo(lcGnomeShortcut) << "gsettings cannot run";
        co_return std::nullopt;
    }
    if (!co_await qCoro(process.get()).waitForFinished(gsettingsTimeout)) {
        process->kill();
        process->waitForFinished(1000); // killed: ends at once
        co_return std::nullopt;
    }
    if (process->exitStatus() != QProcess::NormalExit || process->exitCode() != 0) {
        qCInfo(lcGnomeShortcut) << "gsettings" << arguments.value(0)
                                << "failed:" << process->readAllStandardError().trimmed();
        co_return std::nullopt;
    }
    co_return QString::fromUtf8(process->readAllStandardOutput()).trimmed();
}

// GCC 12 cannot take a braced list inside a co_await expression: build the
// argument list first.
template <typename... Texts> QCoro::Task<std::optional<QString>> run(const Texts &...texts)
{
    QStringList arguments;
    (arguments.append(QString(texts)), ...);
    return gsettings(arguments);
}

QString entry()
{
    return QString::fromLatin1(entrySchema) + u':' + QString::fromLatin1(entryPath);
}

QCoro::Task<std::optional<QStringList>> readList()
{
    const auto text = co_await run(u"get"_s, QString::fromLatin1(listSchema), QString::fromLatin1(listKey));
    co_return text ? parseList(*text) : std::nullopt;
}

QCoro::Task<bool> writeList(const QStringList &paths)
{
    co_return (co_await run(u"set"_s, QString::fromLatin1(listSchema), QString::fromLatin1(listKey), formatList(paths)))
        .has_value();
}

} // namespace

bool isGnomeSession()
{
    const QStringList desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':');
    return desktops.contains(u"GNOME"_s, Qt::CaseInsensitive);
}

QCoro::Task<bool> available()
{
    co_return (co_await run(u"list-keys"_s, QString::fromLatin1(entrySchema) + u':' + QString::fromLatin1(entryPath)))
        .has_value();
}

QCoro::Task<std::optional<QString>> installedBinding()
{
    const std::optional<QStringList> paths = co_await readList();
    if (!paths || !paths->contains(QString::fromLatin1(entryPath)))
        co_return std::nullopt;
    const auto binding = co_await run(u"get"_s, entry(), u"binding"_s);
    const auto parsed = binding ? parseList(u'[' + *binding + u']') : std::nullopt;
    co_return parsed && parsed->size() == 1 ? std::optional(parsed->constFirst()) : std::nullopt;
}

QCoro::Task<bool> install()
{
    // The entry's keys first, so that GNOME never sees a half-made binding.
    const QList<std::pair<QString, QString>> keys{
        {u"name"_s, QString::fromLatin1(name)},
        {u"command"_s, QString::fromLatin1(command)},
        {u"binding"_s, KeyTexts::lookupAccelerator()},
    };
    for (const auto &key : keys) {
        const auto written = co_await run(u"set"_s, entry(), key.first, formatString(key.second));
        if (!written)
            co_return false;
    }
    std::optional<QStringList> paths = co_await readList();
    if (!paths)
        co_return false;
    if (paths->contains(QString::fromLatin1(entryPath)))
        co_return true;
    paths->append(QString::fromLatin1(entryPath));
    co_return co_await writeList(*paths);
}

QCoro::Task<bool> remove()
{
    std::optional<QStringList> paths = co_await readList();
    if (!paths)
        co_return false;
    if (paths->removeAll(QString::fromLatin1(entryPath)) > 0) {
        const bool written = co_await writeList(*paths);
        if (!written)
            co_return false;
    }
    co_return (co_await run(u"reset-recursively"_s, entry())).has_value();
}

std::optional<QStringList> parseList(const QString &text)
{
    QString rest = text.trimmed();
    if (rest.startsWith("@as "_L1))
        rest = rest.mid(4).trimmed();
    if (!rest.startsWith(u'[') || !rest.endsWith(u']'))
        return std::nullopt;
    QStringList items;
    qsizetype i = 1;
    const qsizetype end = rest.size() - 1;
    const auto skipSpaces = [&] {
        while (i < end && rest.at(i).isSpace())
            ++i;
    };
    skipSpaces();
    while (i < end) {
        const QChar quote = rest.at(i);
        if (quote != u'\'' && quote != u'"')
            return std::nullopt;
        QString item;
        for (++i; i < end && rest.at(i) != quote; ++i) {
            if (rest.at(i) == u'\\' && i + 1 < end)
                ++i; // an escaped quote or backslash stands for itself
            item.append(rest.at(i));
        }
        if (i >= end)
            return std::nullopt; // unterminated
        ++i;
        items.append(item);
        skipSpaces();
        if (i < end) {
            if (rest.at(i) != u',')
                return std::nullopt;
            ++i;
            skipSpaces();
            if (i >= end)
                return std::nullopt; // a trailing comma
        }
    }
    return items;
}

QString formatString(const QString &text)
{
    QString escaped = text;
    escaped.replace(u'\\', "\\\\"_L1).replace(u'\'', "\\'"_L1);
    return u'\'' + escaped + u'\'';
}

QString formatList(const QStringList &items)
{
    if (items.isEmpty())
        return u"@as []"_s;
    QStringList quoted;
    for (const QString &item : items)
        quoted.append(formatString(item));
    return u'[' + quoted.join(u", "_s) + u']';
}

QString acceleratorText(const QString &accelerator)
{
    static const QList<std::pair<QString, QString>> modifiers{
        {u"primary"_s, u"Ctrl"_s}, {u"control"_s, u"Ctrl"_s}, {u"ctrl"_s, u"Ctrl"_s}, {u"alt"_s, u"Alt"_s},
        {u"shift"_s, u"Shift"_s},  {u"super"_s, u"Super"_s},  {u"meta"_s, u"Meta"_s}, {u"hyper"_s, u"Hyper"_s},
    };
    static const QRegularExpression part(u"<([^>]*)>"_s);
    QStringList names;
    qsizetype keyStart = 0;
    for (auto match = part.globalMatch(accelerator); match.hasNext();) {
        const QRegularExpressionMatch found = match.next();
        const QString modifier = found.captured(1).toLower();
        const auto known = std::find_if(modifiers.begin(), modifiers.end(),
                                        [&](const auto &entry) { return entry.first == modifier; });
        names.append(known != modifiers.end() ? known->second : found.captured(1));
        keyStart = found.capturedEnd();
    }
    QString key = accelerator.mid(keyStart);
    if (key.size() == 1)
        key = key.toUpper();
    names.append(key);
    return names.join(u'+');
}

} // namespace GnomeCustomShortcut
