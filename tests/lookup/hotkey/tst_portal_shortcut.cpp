// The lookup shortcut through the desktop portal, against a stand-in portal
// on a private session bus that speaks the GlobalShortcuts protocol: the
// host registry, CreateSession and BindShortcuts answered through Request
// objects and their Response signal, Session.Close, Activated and
// ShortcutsChanged; also a portal that is absent, too old or refuses.
#include "lookup/lookup_hot_key.h"

#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QGuiApplication>
#include <QTest>
#include <QTimer>

namespace {

const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

} // namespace

// The portal's own view of a shortcut, (sa{sv}), marshalled here on its own
// so that a fault in the companion's marshalling cannot hide itself.
struct WireShortcut {
    QString id;
    QVariantMap properties;
};
QDBusArgument &operator<<(QDBusArgument &out, const WireShortcut &s)
{
    out.beginStructure();
    out << s.id << s.properties;
    out.endStructure();
    return out;
}
const QDBusArgument &operator>>(const QDBusArgument &in, WireShortcut &s)
{
    in.beginStructure();
    in >> s.id >> s.properties;
    in.endStructure();
    return in;
}
Q_DECLARE_METATYPE(WireShortcut)

// The portal's state and script, shared by its two interfaces.
class FakePortal : public QObject {
    Q_OBJECT
public:
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-portal"));
    uint version = 1;
    uint sessionResponse = 0;
    uint bindResponse = 0;
    bool answerBind = true;        // false: the learner keeps the dialog open
    bool leaveShortcutOut = false; // the learner left the shortcut without a key
    QString trigger = QStringLiteral("Ctrl+Alt+L");
    QStringList calls; // method names in order of arrival
    QString registeredAppID, session, bindRequest, bindSender;
    QList<WireShortcut> boundShortcuts;
    QString bindParentWindow;
    QVariantMap sessionOptions;
    QStringList closedSessions;

    QString requestPath(const QDBusMessage &call, const QVariantMap &options)
    {
        QString sender = call.service().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
        return portalPath + QStringLiteral("/request/") + sender + QLatin1Char('/')
            + options.value(QStringLiteral("handle_token")).toString();
    }
    void respond(const QString &request, uint code, const QVariantMap &results)
    {
        QDBusMessage signal = QDBusMessage::createSignal(request, QStringLiteral("org.freedesktop.portal.Request"),
                                                         QStringLiteral("Response"));
        signal << code << results;
        bus.send(signal);
    }
    void answerBindNow()
    {
        QList<WireShortcut> answer;
        if (!leaveShortcutOut) {
            for (const WireShortcut &s : boundShortcuts)
                answer.append({s.id,
                               {{QStringLiteral("description"), s.properties.value("description")},
                                {QStringLiteral("trigger_description"), trigger}}});
        }
        respond(bindRequest, bindResponse, {{QStringLiteral("shortcuts"), QVariant::fromValue(answer)}});
    }
    void emitSignal(const QString &name, const QVariantList &arguments)
    {
        QDBusMessage signal = QDBusMessage::createSignal(portalPath, shortcutsInterface, name);
        signal.setArguments(arguments);
        bus.send(signal);
    }
    void activate(const QString &onSession, const QString &id)
    {
        emitSignal(QStringLiteral("Activated"),
                   {QVariant::fromValue(QDBusObjectPath(onSession)), id, quint64(1234), QVariantMap()});
    }
};

class GlobalShortcutsAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")
    Q_PROPERTY(uint version READ version)
    FakePortal *p;

public:
    explicit GlobalShortcutsAdaptor(FakePortal *portal) : QDBusAbstractAdaptor(portal), p(portal) {}
    uint version() const { return p->version; }

public Q_SLOTS:
    QDBusObjectPath CreateSession(const QVariantMap &options, const QDBusMessage &call)
    {
        p->calls << QStringLiteral("CreateSession");
        p->sessionOptions = options;
        const QString request = p->requestPath(call, options);
        QString sender = call.service().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
        p->session = portalPath + QStringLiteral("/session/") + sender + QLatin1Char('/')
            + options.value(QStringLiteral("session_handle_token")).toString();
        p->bus.registerObject(p->session, sessionObject(), QDBusConnection::ExportAllSlots);
        QTimer::singleShot(10, p, [this, request] {
            p->respond(request, p->sessionResponse, {{QStringLiteral("session_handle"), p->session}});
        });
        return QDBusObjectPath(request);
    }
    QDBusObjectPath BindShortcuts(const QDBusObjectPath &session, const QList<WireShortcut> &shortcuts,
                                  const QString &parentWindow, const QVariantMap &options, const QDBusMessage &call)
    {
        p->calls << QStringLiteral("BindShortcuts");
        if (session.path() != p->session)
            p->calls << QStringLiteral("wrong session");
        p->boundShortcuts = shortcuts;
        p->bindParentWindow = parentWindow;
        p->bindRequest = p->requestPath(call, options);
        if (p->answerBind)
            QTimer::singleShot(10, p, [this] { p->answerBindNow(); });
        return QDBusObjectPath(p->bindRequest);
    }

private:
    QObject *sessionObject();
};

// org.freedesktop.portal.Session on each session's path.
class SessionObject : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Session")
    FakePortal *p;

public:
    explicit SessionObject(FakePortal *portal) : QObject(portal), p(portal) {}
public Q_SLOTS:
    void Close(const QDBusMessage &call) { p->closedSessions << call.path(); }
};

QObject *GlobalShortcutsAdaptor::sessionObject()
{
    return new SessionObject(p);
}

class RegistryAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.host.portal.Registry")
    FakePortal *p;

public:
    explicit RegistryAdaptor(FakePortal *portal) : QDBusAbstractAdaptor(portal), p(portal) {}
public Q_SLOTS:
    void Register(const QString &appID, const QVariantMap &)
    {
        p->calls << QStringLiteral("Register");
        p->registeredAppID = appID;
    }
};

class PortalShortcutTest : public QObject {
    Q_OBJECT
    std::unique_ptr<FakePortal> portal;
    std::unique_ptr<LookupHotKey> hotKey;
    int presses = 0;

    // Puts the stand-in portal on the bus (with or without its
    // GlobalShortcuts interface) and starts the shortcut.
    void startWithPortal(bool withShortcuts = true)
    {
        new RegistryAdaptor(portal.get());
        if (withShortcuts)
            new GlobalShortcutsAdaptor(portal.get());
        QVERIFY(portal->bus.registerObject(portalPath, portal.get()));
        QVERIFY(portal->bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
        QVERIFY(!hotKey->start()); // the portal answers later
        QCOMPARE(hotKey->availability(), LookupHotKey::Availability::waiting);
    }
    void settle() { QTRY_VERIFY(hotKey->availability() != LookupHotKey::Availability::waiting); }

private Q_SLOTS:
    void initTestCase()
    {
        qDBusRegisterMetaType<WireShortcut>();
        qDBusRegisterMetaType<QList<WireShortcut>>();
        qputenv("XDG_CURRENT_DESKTOP", "KDE"); // no GNOME fallback unless a row asks for it
    }
    void init()
    {
        Preferences::standard().remove(LookupHotKey::preferenceKey);
        presses = 0;
        portal = std::make_unique<FakePortal>();
        hotKey = std::make_unique<LookupHotKey>(Preferences::standard());
        connect(hotKey.get(), &LookupHotKey::pressed, this, [this] { ++presses; });
    }
    void cleanup()
    {
        hotKey.reset();
        portal->bus.unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-portal"));
        portal.reset();
    }

    // The whole conversation, in the portal's order: the app registers
    // first, the session and the binding are answered through their Request
    // objects, each activation of our shortcut on our session is one press,
    // and stopping closes the session.
    void bindsAndReportsActivations()
    {
        startWithPortal();
        settle();
        QCOMPARE(hotKey->availability(), LookupHotKey::Availability::registered);
        QCOMPARE(hotKey->method(), LookupHotKey::Method::portal);
        QCOMPARE(hotKey->boundKey(), QStringLiteral("Ctrl+Alt+L")); // the desktop's choice, not ours
        QCOMPARE(portal->calls, QStringList({"Register", "CreateSession", "BindShortcuts"}));
        QCOMPARE(portal->registeredAppID, QStringLiteral("app.pelora.Companion"));
        QCOMPARE(portal->boundShortcuts.size(), 1);
        const WireShortcut &asked = portal->boundShortcuts.constFirst();
        QCOMPARE(asked.id, QStringLiteral("lookup"));
        QCOMPARE(asked.properties.value("description").toString(), QStringLiteral("Open phrase lookup"));
        QCOMPARE(asked.properties.value("preferred_trigger").toString(), QStringLiteral("LOGO+m"));
        QCOMPARE(portal->bindParentWindow, QString());

        portal->activate(portal->session, QStringLiteral("lookup"));
        QTRY_COMPARE(presses, 1);
        portal->activate(portal->session, QStringLiteral("other"));
        portal->activate(portal->session + QStringLiteral("x"), QStringLiteral("lookup"));
        portal->activate(portal->session, QStringLiteral("lookup"));
        QTRY_COMPARE(presses, 2);
        QTest::qWait(100);
        QCOMPARE(presses, 2); // the other shortcut and the other session were not ours

        // The learner picks another key in the desktop's settings.
        portal->emitSignal(QStringLiteral("ShortcutsChanged"),
                           {QVariant::fromValue(QDBusObjectPath(portal->session)),
                            QVariant::fromValue(QList<WireShortcut>{
                                {QStringLiteral("lookup"), {{"trigger_description", QStringLiteral("Meta+K")}}}})});
        QTRY_COMPARE(hotKey->boundKey(), QStringLiteral("Meta+K"));

        const QString session = portal->session;
        hotKey->toggle(); // off: the session is closed and presses stop
        QCOMPARE(hotKey->availability(), LookupHotKey::Availability::off);
        QTRY_COMPARE(portal->closedSessions, QStringList{session});
        portal->activate(session, QStringLiteral("lookup"));
        QTest::qWait(100);
        QCOMPARE(presses, 2);
    }

    // Every way the desktop can say no ends as "declined", never as working.
    void refusalsAreDeclined_data()
    {
        QTest::addColumn<uint>("sessionResponse");
        QTest::addColumn<uint>("bindResponse");
        QTest::newRow("dialog cancelled") << 0u << 1u;
        QTest::newRow("bind failed") << 0u << 2u;
        QTest::newRow("session refused") << 2u << 0u;
    }
    void refusalsAreDeclined()
    {
        QFETCH(uint, sessionResponse);
        QFETCH(uint, bindResponse);
        portal->sessionResponse = sessionResponse;
        portal->bindResponse = bindResponse;
        startWithPortal();
        settle();
        QCOMPARE(hotKey->availability(), LookupHotKey::Availability::declined);
        QVERIFY(!hotKey->isRegistered());
        QVERIFY(hotKey->enabled()); // the preference stays; the next start asks again
        if (sessionResponse == 0)
            QTRY_COMPARE(portal->closedSessions.size(), 1); // nothing left open at the portal
    }

    // No portal, one too old, or one without GlobalShortcuts: the next way
    // is tried; here (no X11 session, not GNOME) there is none, and the menu
    // can say so.
    void missingPortalFallsThrough_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("absent") << 0;
        QTest::newRow("version 0") << 1;
        QTest::newRow("no GlobalShortcuts") << 2;
    }
    void missingPortalFallsThrough()
    {
        QFETCH(int, kind);
        if (kind == 0) {
            QVERIFY(!hotKey->start());
        } else {
            portal->version = 0;
            startWithPortal(kind == 1);
        }
        settle();
        QCOMPARE(hotKey->availability(), LookupHotKey::Availability::unsupported);
        QVERIFY(!portal->calls.contains(QStringLiteral("CreateSession")));
    }

    // The desktop took the shortcut without a key (KDE Plasma 5.27 sends the
    // learner to its settings): the session stays open, and the key chosen
    // there makes it work.
    void aKeyChosenLaterInTheDesktopsSettings()
    {
        portal->leaveShortcutOut = true;
        startWithPortal();
        settle();
        QCOMPARE(hotKey->availability(), LookupHotKey::Availability::unassigned);
        QCOMPARE(portal->sessionOptions.value("session_handle_token").toString(), QStringLiteral("pelora_lookup"));
        QTest::qWait(100);
        QVERIFY(portal->closedSessions.isEmpty());
        portal->emitSignal(QStringLiteral("ShortcutsChanged"),
                           {QVariant::fromValue(QDBusObjectPath(portal->session)),
                            QVariant::fromValue(QList<WireShortcut>{
                                {QStringLiteral("lookup"), {{"trigger_description", QStringLiteral("Meta+M")}}}})});
        QTRY_VERIFY(hotKey->isRegistered());
        QCOMPARE(hotKey->boundKey(), QStringLiteral("Meta+M"));
        portal->activate(portal->session, QStringLiteral("lookup"));
        QTRY_COMPARE(presses, 1);
    }

    // The learner turns the shortcut off while the desktop's dialog is still
    // open: the session is closed, and a late answer changes nothing.
    void turningOffWhileTheDialogIsOpen()
    {
        portal->answerBind = false;
        startWithPortal();
        QTRY_VERIFY(portal->calls.contains(QStringLiteral("BindShortcuts")));
        hotKey->toggle();
        QCOMPARE(hotKey->availability(), LookupHotKey::Availability::off);
        QTRY_COMPARE(portal->closedSessions.size(), 1);
        portal->answerBindNow();
        QTest::qWait(200);
        QCOMPARE(hotKey->availability(), LookupHotKey::Availability::off);
        QVERIFY(!hotKey->isRegistered());
    }
};

QTEST_GUILESS_MAIN(PortalShortcutTest)
#include "tst_portal_shortcut.moc"
