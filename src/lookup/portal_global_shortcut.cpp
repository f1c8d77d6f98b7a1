#include "lookup/portal_global_shortcut.h"

#include "card/key_texts.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QPointer>
#include <QRandomGenerator>
#include <QScopedPointer>
#include <qcoro/qcorodbuspendingcall.h>
#include <qcoro/qcorosignal.h>

using namespace Qt::StringLiterals;

Q_LOGGING_CATEGORY(lcPortalShortcut, "pelora.shortcut.portal", QtWarningMsg)

QDBusArgument &operator<<(QDBusArgument &argument, const PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

// One pending portal request: the Response of its Request object, or the
// end of the wait when the portal leaves the bus or the caller gives up.
class PortalRequest : public QObject {
    Q_OBJECT
public:
    uint response = 2;
    QVariantMap results;

    void finish(uint code, const QVariantMap &values)
    {
        if (m_finished)
            return;
        m_finished = true;
        response = code;
        results = values;
        Q_EMIT finished();
    }

Q_SIGNALS:
    void finished();

public Q_SLOTS:
    void handleResponse(uint code, const QVariantMap &values) { finish(code, values); }

private:
    bool m_finished = false;
};

namespace {

constexpr uint minimumVersion = 1;
constexpr uint responseSuccess = 0;
const QString requestInterface = u"org.freedesktop.portal.Request"_s;
const QString sessionInterface = u"org.freedesktop.portal.Session"_s;

QString token()
{
    return u"pelora_%1"_s.arg(QRandomGenerator::system()->generate64(), 16, 16, QChar(u'0'));
}

// Where the portal puts the Request object of a call with this token:
// /org/freedesktop/portal/desktop/request/SENDER/TOKEN, SENDER being our
// unique name without its ':' and with '.' turned into '_'.
QString requestPath(const QDBusConnection &bus, const QString &handleToken)
{
    QString sender = bus.baseService().mid(1);
    sender.replace(u'.', u'_');
    return u"/org/freedesktop/portal/desktop/request/%1/%2"_s.arg(sender, handleToken);
}

QString pathText(const QVariant &value)
{
    if (value.userType() == qMetaTypeId<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}

QDBusMessage portalCall(const char *interface, const QString &method)
{
    return QDBusMessage::createMethodCall(QString::fromLatin1(PortalGlobalShortcut::service),
                                          QString::fromLatin1(PortalGlobalShortcut::path),
                                          QString::fromLatin1(interface), method);
}

bool hostAppRegistered = false; // the bus connection is the process's own

} // namespace

PortalGlobalShortcut::PortalGlobalShortcut(QDBusConnection bus, QObject *parent) : QObject(parent), m_bus(bus)
{
    qRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
}

PortalGlobalShortcut::~PortalGlobalShortcut()
{
    close();
}

void PortalGlobalShortcut::registerHostApp(QDBusConnection bus)
{
    // Inside a Flatpak sandbox the portal knows the app already and refuses this.
    if (!bus.isConnected() || QFileInfo::exists(u"/.flatpak-info"_s))
        return;
    if (std::exchange(hostAppRegistered, true))
        return;
    // Older portals have no registry: the error answer is simply dropped.
    QDBusMessage call = portalCall("org.freedesktop.host.portal.Registry", u"Register"_s);
    call << QString::fromLatin1(appID) << QVariantMap();
    bus.asyncCall(call);
}

QCoro::Task<PortalGlobalShortcut::Result> PortalGlobalShortcut::bind()
{
    close();
    const quint64 generation = ++m_generation;
    // Closing or destroying the shortcut while an answer is awaited makes it stale.
    const QPointer<PortalGlobalShortcut> self(this);
    const auto stale = [this, self, generation] { return !self || generation != m_generation; };
    if (!m_bus.isConnected())
        co_return Result{};
    registerHostApp(m_bus);

    if (!co_await versionIsEnough())
        co_return Result{stale() ? Outcome::stale : Outcome::unavailable, {}};
    if (stale())
        co_return Result{Outcome::stale, {}};

    QVariantList sessionArguments;
    // The same session token every launch: a desktop that files the shortcut
    // under it (KDE without an app id) keeps the learner's key for next time.
    sessionArguments << QVariantMap{{u"session_handle_token"_s, u"pelora_lookup"_s}};
    const auto created = co_await request(u"CreateSession"_s, sessionArguments, 0);
    if (stale())
        co_return Result{Outcome::stale, {}};
    if (!created)
        co_return Result{};
    if (created->first != responseSuccess) {
        qCInfo(lcPortalShortcut) << "the portal refused a shortcut session, response" << created->first;
        co_return Result{Outcome::declined, {}};
    }
    m_session = pathText(created->second.value(u"session_handle"_s));
    if (m_session.isEmpty())
        co_return Result{};
    listenToSession(true);

    const QVariantMap properties{
        {u"description"_s, u"Open phrase lookup"_s},
        {u"preferred_trigger"_s, KeyTexts::lookupTrigger()},
    };
    const QList<PortalShortcut> shortcuts{{QString(shortcutID), properties}};
    QVariantList bindArguments;
    bindArguments << QVariant::fromValue(QDBusObjectPath(m_session)) << QVariant::fromValue(shortcuts) << QString()
                  << QVariantMap();
    const auto bound = co_await request(u"BindShortcuts"_s, bindArguments, 3);
    if (stale())
        co_return Result{Outcome::stale, {}};
    if (!bound) {
        close();
        co_return Result{};
    }
    if (bound->first != responseSuccess) {
        qCInfo(lcPortalShortcut) << "the shortcut was not bound, response" << bound->first;
        close();
        co_return Result{Outcome::declined, {}};
    }
    // A shortcut still without a key may be missing from the answer (KDE
    // Plasma 5.27 opens its shortcut settings instead of a dialog). The
    // session stays open: the key chosen there arrives as ShortcutsChanged.
    const auto answered = qdbus_cast<QList<PortalShortcut>>(bound->second.value(u"shortcuts"_s));
    const auto ours =
        std::find_if(answered.begin(), answered.end(), [](const PortalShortcut &s) { return s.id == shortcutID; });
    const QString trigger =
        ours == answered.end() ? QString() : ours->properties.value(u"trigger_description"_s).toString();
    co_return Result{trigger.isEmpty() ? Outcome::unassigned : Outcome::bound, trigger};
}

void PortalGlobalShortcut::close()
{
    ++m_generation;
    if (m_pending)
        m_pending->finish(2, {});
    if (m_session.isEmpty())
        return;
    listenToSession(false);
    m_bus.asyncCall(
        QDBusMessage::createMethodCall(QString::fromLatin1(service), m_session, sessionInterface, u"Close"_s));
    m_session.clear();
}

QCoro::Task<bool> PortalGlobalShortcut::versionIsEnough()
{
    QDBusMessage get = QDBusMessage::createMethodCall(QString::fromLatin1(service), QString::fromLatin1(path),
                                                      u"org.freedesktop.DBus.Properties"_s, u"Get"_s);
    get << QString::fromLatin1(interface) << u"version"_s;
    const QDBusMessage reply = co_await m_bus.asyncCall(get);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        qCInfo(lcPortalShortcut) << "no GlobalShortcuts portal:" << reply.errorName();
        co_return false;
    }
    const uint version = reply.arguments().constFirst().value<QDBusVariant>().variant().toUInt();
    if (version < minimumVersion)
        qCInfo(lcPortalShortcut) << "the GlobalShortcuts portal is too old, version" << version;
    co_return version >= minimumVersion;
}

QCoro::Task<std::optional<std::pair<uint, QVariantMap>>>
PortalGlobalShortcut::request(const QString &method, QVariantList arguments, int optionsIndex)
{
    const quint64 generation = m_generation;
    const QPointer<PortalGlobalShortcut> self(this);
    const QString handleToken = token();
    QVariantMap options = arguments.at(optionsIndex).toMap();
    options.insert(u"handle_token"_s, handleToken);
    arguments[optionsIndex] = options;

    // Listen before calling, so that a quick answer is not missed.
    // Deleted later: the answer resumes this task from inside its own signal.
    QScopedPointer<PortalRequest, QScopedPointerDeleteLater> pending(new PortalRequest);
    m_pending = pending.get();
    QString handle = requestPath(m_bus, handleToken);
    const auto listen = [&](const QString &at, bool on) {
        const QString name = u"Response"_s;
        if (on)
            m_bus.connect(QString::fromLatin1(service), at, requestInterface, name, pending.get(),
                          SLOT(handleResponse(uint, QVariantMap)));
        else
            m_bus.disconnect(QString::fromLatin1(service), at, requestInterface, name, pending.get(),
                             SLOT(handleResponse(uint, QVariantMap)));
    };
    listen(handle, true);
    QDBusServiceWatcher gone(QString::fromLatin1(service), m_bus, QDBusServiceWatcher::WatchForUnregistration);
    connect(&gone, &QDBusServiceWatcher::serviceUnregistered, pending.get(), [&pending] { pending->finish(2, {}); });

    QDBusMessage call = portalCall(interface, method);
    call.setArguments(arguments);
    const QDBusMessage reply = co_await m_bus.asyncCall(call);
    if (!self) // destroyed meanwhile: nothing of it may be touched
        co_return std::nullopt;
    if (generation != m_generation) {
        listen(handle, false);
        co_return std::nullopt;
    }
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        qCWarning(lcPortalShortcut) << method << "failed:" << reply.errorName() << reply.errorMessage();
        listen(handle, false);
        co_return std::nullopt;
    }
    // Portals before 0.9 chose the Request path themselves.
    const QString answeredHandle = reply.arguments().constFirst().value<QDBusObjectPath>().path();
    if (!answeredHandle.isEmpty() && answeredHandle != handle) {
        listen(handle, false);
        handle = answeredHandle;
        listen(handle, true);
    }
    co_await qCoro(pending.get(), &PortalRequest::finished);
    if (!self)
        co_return std::nullopt;
    listen(handle, false);
    if (generation != m_generation)
        co_return std::nullopt;
    co_return std::pair(pending->response, pending->results);
}

void PortalGlobalShortcut::listenToSession(bool listen)
{
    const QString service_ = QString::fromLatin1(service), path_ = QString::fromLatin1(path),
                  interface_ = QString::fromLatin1(interface);
    const auto apply = [&](const QString &name, const char *slot) {
        if (listen)
            m_bus.connect(service_, path_, interface_, name, this, slot);
        else
            m_bus.disconnect(service_, path_, interface_, name, this, slot);
    };
    apply(u"Activated"_s, SLOT(handleActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    apply(u"ShortcutsChanged"_s, SLOT(handleShortcutsChanged(QDBusObjectPath, QList<PortalShortcut>)));
}

void PortalGlobalShortcut::handleActivated(const QDBusObjectPath &session, const QString &id, qulonglong,
                                           const QVariantMap &)
{
    if (!m_session.isEmpty() && session.path() == m_session && id == shortcutID)
        Q_EMIT activated();
}

void PortalGlobalShortcut::handleShortcutsChanged(const QDBusObjectPath &session,
                                                  const QList<PortalShortcut> &shortcuts)
{
    if (m_session.isEmpty() || session.path() != m_session)
        return;
    for (const PortalShortcut &shortcut : shortcuts) {
        if (shortcut.id == shortcutID)
            Q_EMIT triggerChanged(shortcut.properties.value(u"trigger_description"_s).toString());
    }
}

#include "portal_global_shortcut.moc"
