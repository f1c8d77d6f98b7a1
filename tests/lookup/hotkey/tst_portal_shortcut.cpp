// The lookup shortcut through the desktop portal, against a stand-in portal
// on a private session bus that speaks the GlobalShortcuts protocol: the
// host registry, CreateSession and BindShortcuts answered through Request
// objects and their Response signal, Session.Close, Activated and
// ShortcutsChanged; also a portal that is absent, too old or refuses.
#include "fresh_hot_key.h"

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

using namespace Qt::StringLiterals;

namespace {

const QString portalPath = u"/org/freedesktop/portal/desktop"_s;
const QString shortcutsInterface = u"org.freedesktop.portal.GlobalShortcuts"_s;

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
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"fake-portal"_s);
    uint version = 1;
    uint sessionResponse = 0;
    uint bindResponse = 0;
    bool answerBind = true;        // false: the learner keeps the dialog open
    bool leaveShortcutOut = false; // the learner left the shortcut without a key
    QString trigger = u"Ctrl+Alt+L"_s;
    QStringList calls; // method names in order of arrival
    QString registeredAppID;
    QString session;
    QString bindRequest;
    QList<WireShortcut> boundShortcuts;
    QStringList closedSessions;

    // Where the portal puts a request or a session: the caller's bus name
    // and the caller's token in the path.
    static QString handlePath(const QString &kind, const QDBusMessage &call, const QString &token)
    {
        const QString sender = call.service().mid(1).replace(u'.', u'_');
        return portalPath + u'/' + kind + u'/' + sender + u'/' + token;
    }
    static QString requestPath(const QDBusMessage &call, const QVariantMap &options)
    {
        return handlePath(u"request"_s, call, options.value(u"handle_token"_s).toString());
    }
    void respond(const QString &request, uint code, const QVariantMap &results)
    {
        QDBusMessage signal = QDBusMessage::createSignal(request, u"org.freedesktop.portal.Request"_s, u"Response"_s);
        signal << code << results;
        bus.send(signal);
    }
    void answerBindNow()
    {
        QList<WireShortcut> answer;
        if (!leaveShortcutOut) {
            for (const WireShortcut &s : boundShortcuts)
                answer.append(
                    {s.id,
                     {{u"description"_s, s.properties.value(u"description"_s)}, {u"trigger_description"_s, trigger}}});
        }
        respond(bindRequest, bindResponse, {{u"shortcuts"_s, QVariant::fromValue(answer)}});
    }
    void emitSignal(const QString &name, const QVariantList &arguments)
    {
        QDBusMessage signal = QDBusMessage::createSignal(portalPath, shortcutsInterface, name);
        signal.setArguments(arguments);
        bus.send(signal);
    }
    // The learner picked another key in the desktop's settings.
    void changeTrigger(const QString &key)
    {
        const QList<WireShortcut> changed{{u"lookup"_s, {{u"trigger_description"_s, key}}}};
        emitSignal(u"ShortcutsChanged"_s,
                   {QVariant::fromValue(QDBusObjectPath(session)), QVariant::fromValue(changed)});
    }
    void activate(const QString &onSession, const QString &id)
    {
        emitSignal(u"Activated"_s, {QVariant::fromValue(QDBusObjectPath(onSession)), id, quint64(1234), QVariantMap()});
    }
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
        p->calls << u"CreateSession"_s;
        const QString request = p->requestPath(call, options);
        p->session = FakePortal::handlePath(u"session"_s, call, options.value(u"session_handle_token"_s).toString());
        p->bus.registerObject(p->session, new SessionObject(p), QDBusConnection::ExportAllSlots);
        QTimer::singleShot(10, p, [this, request] {
            p->respond(request, p->sessionResponse, {{u"session_handle"_s, p->session}});
        });
        return QDBusObjectPath(request);
    }
    QDBusObjectPath BindShortcuts(const QDBusObjectPath &session, const QList<WireShortcut> &shortcuts, const QString &,
                                  const QVariantMap &options, const QDBusMessage &call)
    {
        p->calls << u"BindShortcuts"_s;
        p->boundShortcuts = shortcuts;
        p->bindRequest = p->requestPath(call, options);
        if (p->answerBind && session.path() == p->session) // a binding on another session is never answered
            QTimer::singleShot(10, p, [this] { p->answerBindNow(); });
        return QDBusObjectPath(p->bindRequest);
    }
};

class RegistryAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.host.portal.Registry")
    FakePortal *p;

public:
    explicit RegistryAdaptor(FakePortal *portal) : QDBusAbstractAdaptor(portal), p(portal) {}
public Q_SLOTS:
    void Register(const QString &appID, const QVariantMap &)
    {
        p->calls << u"Register"_s;
        p->registeredAppID = appID;
    }
};

class PortalShortcutTest : public QObject {
    Q_OBJECT
    std::unique_ptr<FakePortal> portal;
    std::unique_ptr<LookupHotKey> hotKey;
    int presses = 0;

    // Puts the stand-in portal on the bus and starts the shortcut.
    void startWithPortal()
    {
        new RegistryAdaptor(portal.get());
        new GlobalShortcutsAdaptor(portal.get());
        QVERIFY(portal->bus.registerObject(portalPath, portal.get()));
        QVERIFY(portal->bus.registerService(u"org.freedesktop.portal.Desktop"_s));
        QVERIFY(!hotKey->start()); // the portal answers later
        QCOMPARE(hotKey->availability(), LookupHotKey::Availability::waiting);
    }

private Q_SLOTS:
    void initTestCase()
    {
        qDBusRegisterMetaType<WireShortcut>();
        qDBusRegisterMetaType<QList<WireShortcut>>();
        qputenv("XDG_CURRENT_DESKTOP", "KDE"); // no GNOME fallback unless a row asks for it
    }
    void init()
    {
        portal = std::make_unique<FakePortal>();
        hotKey = freshHotKey(&presses);
    }
    void cleanup()
    {
        hotKey.reset();
        portal->bus.unregisterService(u"org.freedesktop.portal.Desktop"_s);
        QDBusConnection::disconnectFromBus(u"fake-portal"_s);
        portal.reset();
    }

    // The whole conversation, in the portal's order: the app registers
    // first, the session and the binding are answered through their Request
    // objects, each activation of our shortcut on our session is one press,
    // and stopping closes the session.
    void bindsAndReportsActivations()
    {
        startWithPortal();
        QCOMPARE(waitUntilSettled(*hotKey), LookupHotKey::Availability::registered);
        QCOMPARE(hotKey->method(), LookupHotKey::Method::portal);
        QCOMPARE(hotKey->boundKey(), u"Ctrl+Alt+L"_s); // the desktop's choice, not ours
        QCOMPARE(portal->calls, QStringList({u"Register"_s, u"CreateSession"_s, u"BindShortcuts"_s}));
        QCOMPARE(portal->registeredAppID, u"app.pelora.Companion"_s);
        const WireShortcut &asked = portal->boundShortcuts.constFirst(); // its id is the one presses name
        QCOMPARE(asked.properties.value(u"description"_s).toString(), u"Open phrase lookup"_s);
        QCOMPARE(asked.properties.value(u"preferred_trigger"_s).toString(), u"LOGO+m"_s);

        portal->activate(portal->session, u"lookup"_s);
        QTRY_COMPARE(presses, 1);
        portal->activate(portal->session, u"other"_s);
        portal->activate(portal->session + u"x"_s, u"lookup"_s);
        portal->activate(portal->session, u"lookup"_s);
        QTRY_COMPARE(presses, 2);
        QTest::qWait(100);
        QCOMPARE(presses, 2); // the other shortcut and the other session were not ours

        const QString session = portal->session;
        hotKey->toggle(); // off: the session is closed and presses stop
        QCOMPARE(hotKey->availability(), LookupHotKey::Availability::off);
        QTRY_COMPARE(portal->closedSessions, QStringList{session});
        portal->activate(session, u"lookup"_s);
        QTest::qWait(100);
        QCOMPARE(presses, 2);
    }

    // Every way the desktop can say no ends as "declined", never as working.
    void refusalsAreDeclined_data()
    {
        QTest::addColumn<uint>("sessionResponse");
        QTest::addColumn<uint>("bindResponse");
        QTest::newRow("dialog cancelled") << 0u << 1u;
        QTest::newRow("session refused") << 2u << 0u;
    }
    void refusalsAreDeclined()
    {
        QFETCH(uint, sessionResponse);
        QFETCH(uint, bindResponse);
        portal->sessionResponse = sessionResponse;
        portal->bindResponse = bindResponse;
        startWithPortal();
        QCOMPARE(waitUntilSettled(*hotKey), LookupHotKey::Availability::declined);
        QVERIFY(!hotKey->isRegistered());
        QVERIFY(hotKey->enabled()); // the preference stays; the next start asks again
        if (sessionResponse == 0)
            QTRY_COMPARE(portal->closedSessions.size(), 1); // nothing left open at the portal
    }

    // No portal, or one too old: the next way is tried; here (no X11
    // session, not GNOME) there is none, and the menu can say so.
    void missingPortalFallsThrough_data()
    {
        QTest::addColumn<bool>("onTheBus");
        QTest::newRow("absent") << false;
        QTest::newRow("version 0") << true;
    }

    void missingPortalFallsThrough()
    {
        QFETCH(bool, onTheBus);
        portal->version = 0;
        if (onTheBus)
            startWithPortal();
        else
            QVERIFY(!hotKey->start());
        QCOMPARE(waitUntilSettled(*hotKey), LookupHotKey::Availability::unsupported);
        QVERIFY(!portal->calls.contains(u"CreateSession"_s));
    }

    // The desktop took the shortcut without a key (KDE Plasma 5.27 sends the
    // learner to its settings): the session stays open, and the key chosen
    // there makes it work.
    void aKeyChosenLaterInTheDesktopsSettings()
    {
        portal->leaveShortcutOut = true;
        startWithPortal();
        QCOMPARE(waitUntilSettled(*hotKey), LookupHotKey::Availability::unassigned);
        QTest::qWait(100);
        QVERIFY(portal->closedSessions.isEmpty());
        portal->changeTrigger(u"Meta+M"_s);
        QTRY_VERIFY(hotKey->isRegistered());
        QCOMPARE(hotKey->boundKey(), u"Meta+M"_s);
        portal->activate(portal->session, u"lookup"_s);
        QTRY_COMPARE(presses, 1);
    }

    // The learner turns the shortcut off while the desktop's dialog is still
    // open: the session is closed, and a late answer changes nothing.
    void turningOffWhileTheDialogIsOpen()
    {
        portal->answerBind = false;
        startWithPortal();
        QTRY_VERIFY(portal->calls.contains(u"BindShortcuts"_s));
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
