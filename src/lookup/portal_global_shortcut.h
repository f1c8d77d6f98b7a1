#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>
#include <qcoro/qcorotask.h>

class PortalRequest;

// One shortcut as the desktop portal describes it: an id and its properties
// ("description", "preferred_trigger" going out; "trigger_description"
// coming back). On the bus: (sa{sv}).
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};
Q_DECLARE_METATYPE(PortalShortcut)

// The lookup shortcut through the XDG desktop portal's GlobalShortcuts
// interface: one session with one shortcut, "lookup", which the desktop
// lets the learner confirm or change in its own dialog. Each activation is
// reported once through `activated`.
class PortalGlobalShortcut : public QObject {
    Q_OBJECT
public:
    static constexpr const char *service = "org.freedesktop.portal.Desktop";
    static constexpr const char *path = "/org/freedesktop/portal/desktop";
    static constexpr const char *interface = "org.freedesktop.portal.GlobalShortcuts";
    static constexpr QLatin1StringView shortcutID{"lookup"};
    static constexpr const char *appID = PELORA_APP_ID; // the desktop entry's name

    enum class Outcome {
        bound,       // the desktop bound the shortcut; `triggerDescription` names the key
        unassigned,  // the desktop took the shortcut but has no key for it yet (the learner
                     // picks one in its settings; `triggerChanged` tells when)
        declined,    // the learner (or the desktop) turned the request down
        unavailable, // no portal, one too old, or no GlobalShortcuts on it
        stale,       // closed while the answer was awaited
    };
    struct Result {
        Outcome outcome = Outcome::unavailable;
        QString triggerDescription; // may be empty when bound: the desktop did not say
    };

    explicit PortalGlobalShortcut(QDBusConnection bus, QObject *parent = nullptr);
    ~PortalGlobalShortcut() override; // closes the session

    // Creates the session and binds the shortcut. Waits for as long as the
    // learner takes in the desktop's dialog; close() ends the wait as stale.
    QCoro::Task<Result> bind();
    // Ends the session (the desktop drops the binding) and any wait.
    void close();

    // Outside a sandbox, tells the portal which desktop entry this program
    // is, so that its dialogs and settings name the companion. The portal
    // takes this only once per connection and only before any other portal
    // call on it, so the program entry sends it first; later calls do nothing.
    static void registerHostApp(QDBusConnection bus);

Q_SIGNALS:
    void activated();
    // The learner changed the key in the desktop's settings.
    void triggerChanged(const QString &triggerDescription);

private Q_SLOTS:
    void handleActivated(const QDBusObjectPath &session, const QString &id, qulonglong timestamp,
                         const QVariantMap &options);
    void handleShortcutsChanged(const QDBusObjectPath &session, const QList<PortalShortcut> &shortcuts);

private:
    QCoro::Task<bool> versionIsEnough();
    // Calls a portal method that answers through a Request object and waits
    // for its Response: the response code (0 success, 1 cancelled, 2 other)
    // and results, or nothing when the call itself failed or went stale.
    QCoro::Task<std::optional<std::pair<uint, QVariantMap>>> request(const QString &method, QVariantList arguments,
                                                                     int optionsIndex);
    void listenToSession(bool listen);

    QDBusConnection m_bus;
    QString m_session;
    quint64 m_generation = 0;
    QPointer<PortalRequest> m_pending;
};
