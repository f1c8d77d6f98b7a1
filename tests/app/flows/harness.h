#pragma once

#include "app/companion_delegate.h"
#include "app/companion_dialogs.h"
#include "feed_server.h"
#include "in_memory_session.h"

#include <QSignalSpy>
#include <QStringList>
#include <map>
#include <QUrl>
#include <deque>
#include <memory>

// Scripted answers for the controller's dialogs.
class ScriptedDialogs : public CompanionDialogs {
public:
    // What the learner enters each time the dialog runs; a null QString is "Cancel".
    QStringList intervalAnswers;
    QStringList originAnswers;
    QStringList intervalInformativeTexts; // as each run of the interval dialog showed it
    QStringList intervalFieldTexts;
    QStringList originFieldTexts;
    QStringList alerts;

    std::optional<QString> askInterval(const QString &text, const QString &informative) override;
    std::optional<QString> askOrigin(const QString &text) override;
    void alertInvalidOrigin(const QString &informative) override;
};

// A controller wired to a fixture web app, an in-memory session, scripted
// dialogs and a clock the test moves by hand.
struct Harness {
    explicit Harness(QStringList arguments = {}, bool signedIn = true, int phrases = 3);
    ~Harness();

    void launch(); // applicationDidFinishLaunching, then waits for the first refresh
    void advance(double seconds) { now += seconds; }
    // Waits for the next emission of one of the delegate's "finished" signals
    // not yet waited for, including one emitted before the call.
    bool waitFor(const char *signal, int timeoutMs = 5000);

    FeedServer server;
    double now = 1'800'000'000.0;
    InMemorySession *session = nullptr;
    ScriptedDialogs *dialogs = nullptr;
    QList<QUrl> openedUrls;
    std::unique_ptr<CompanionDelegate> delegate;

private:
    struct Watch {
        std::unique_ptr<QSignalSpy> spy;
        qsizetype consumed = 0;
    };
    std::map<QByteArray, Watch> m_watches;
};

inline const QByteArray firstToken = "token-one";
inline const QByteArray secondToken = "token-two";

// Clears the preferences a test may have written.
void resetPreferences();
