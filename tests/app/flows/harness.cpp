#include "harness.h"

#include "schedule/preferences.h"
#include "schedule/reminder_interval.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// The next scripted answer; none left, or a null text, is "Cancel".
std::optional<QString> nextAnswer(QStringList &answers)
{
    if (answers.isEmpty())
        return std::nullopt;
    const QString answer = answers.takeFirst();
    if (answer.isNull())
        return std::nullopt;
    return answer;
}

} // namespace

std::optional<QString> ScriptedDialogs::askInterval(const QString &text, const QString &informative)
{
    intervalFieldTexts << text;
    intervalInformativeTexts << informative;
    return nextAnswer(intervalAnswers);
}

std::optional<QString> ScriptedDialogs::askOrigin(const QString &text)
{
    originFieldTexts << text;
    return nextAnswer(originAnswers);
}

void ScriptedDialogs::alertInvalidOrigin(const QString &informative) { alerts << informative; }

void resetPreferences()
{
    Preferences &preferences = Preferences::standard();
    for (const char *key : {ReminderInterval::key, PreferenceKeys::pausedUntil, PreferenceKeys::webOrigin,
                            PreferenceKeys::phraseLookupShortcutEnabled})
        preferences.remove(QString::fromLatin1(key));
}

Harness::Harness(QStringList arguments, bool signedIn, int phrases)
{
    if (!server.listen())
        qFatal("fixture server did not start");
    server.setLibrary(firstToken, QStringLiteral("u1"), samplePhrases(phrases));
    server.setLibrary(secondToken, QStringLiteral("u2"), samplePhrases(2, QStringLiteral("q")));
    Preferences::standard().setValue(QString::fromLatin1(PreferenceKeys::webOrigin), server.origin().toString());

    auto sessionOwned = std::make_unique<InMemorySession>();
    session = sessionOwned.get();
    if (signedIn)
        session->setToken(firstToken);
    auto dialogsOwned = std::make_unique<ScriptedDialogs>();
    dialogs = dialogsOwned.get();

    CompanionDelegate::Environment environment;
    environment.session = std::move(sessionOwned);
    environment.dialogs = std::move(dialogsOwned);
    environment.now = [this] { return now; };
    environment.openUrl = [this](const QUrl &url) { openedUrls.append(url); };
    environment.arguments = QStringList{QStringLiteral("pelora-companion")} + arguments;
    environment.updateFeed = QUrl(server.origin().toString() + QStringLiteral("/companion/updates.json"));
    environment.useTray = false;
    delegate = std::make_unique<CompanionDelegate>(std::move(environment));
    for (const char *signal : {SIGNAL(loadAndShowFinished()), SIGNAL(sessionChangeFinished()),
                               SIGNAL(libraryRefreshFinished()), SIGNAL(signOutFinished()), SIGNAL(launchFinished())})
        m_watches[QByteArray(signal)].spy = std::make_unique<QSignalSpy>(delegate.get(), signal);
}

Harness::~Harness()
{
    delegate.reset();
    resetPreferences();
}

void Harness::launch()
{
    delegate->applicationDidFinishLaunching();
    if (!waitFor(SIGNAL(launchFinished())))
        qFatal("the launch task did not finish");
}

bool Harness::waitFor(const char *signal, int timeoutMs)
{
    Watch &watch = m_watches.at(QByteArray(signal));
    if (watch.spy->count() <= watch.consumed && !watch.spy->wait(timeoutMs))
        return false;
    ++watch.consumed;
    return true;
}
