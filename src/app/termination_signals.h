#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into an orderly QCoreApplication::quit(): the
// signal handler only writes a byte to a pipe; the quit runs on the main
// thread.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

private:
    QSocketNotifier *m_notifier = nullptr;
};
