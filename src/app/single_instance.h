#pragma once

#include <QObject>
#include <QStringList>
#include <memory>
#include <qcoro/qcorotask.h>

class QLocalServer;
class QLocalSocket;

// One companion per learner. The first launch owns a local socket in the
// user's runtime folder; a later launch finds it, hands its arguments over
// (so "pelora-companion --lookup" can be bound to a desktop shortcut) and
// exits. A socket left behind by a companion that crashed is replaced.
//
// One socket per configuration folder: a demo run with its own
// XDG_CONFIG_HOME does not hand its launches to the learner's companion.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QObject *parent = nullptr);
    ~SingleInstance() override; // stops listening; the socket file goes with it

    // Makes this process the running companion. False when another companion
    // answers on the socket: hand it this launch's arguments with forward().
    // True otherwise, also in the rare case that the socket cannot be
    // created (the companion then runs without taking later launches).
    // Runs before the event loop: its short waits are bounded.
    bool listen();
    bool isListening() const;

    // Hands the arguments to the running companion; true once it took them.
    static bool forward(const QStringList &arguments);

    static QString socketPath();

Q_SIGNALS:
    // The arguments of a later launch, as that launch passed them to forward().
    void argumentsReceived(const QStringList &arguments);

private:
    void acceptConnections();
    QCoro::Task<void> serve(std::unique_ptr<QLocalSocket> socket);

    std::unique_ptr<QLocalServer> m_server;
};
