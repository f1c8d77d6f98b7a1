#include "lookup/phrase_lookup_model.h"

#include <QMetaEnum>
#include <utility>

namespace {

const QString saveUncertainText =
    QStringLiteral("Couldn’t confirm the save. Check your phrasebook before looking up and saving this phrase again.");
const QString unreachableText = QStringLiteral("Couldn’t reach Pelora. Check your connection and try again.");

} // namespace

PhraseLookupModel::PhraseLookupModel(QObject *parent) : QObject(parent) {}

PhraseLookupModel::~PhraseLookupModel()
{
    // Ending the client resumes its waiting requests right here, while this
    // object still looks alive to them: make their answers stale first.
    m_generation = QUuid::createUuid();
    cancelTask();
    if (auto api = std::move(m_api))
        api->cancel();
}

void PhraseLookupModel::setQuery(const QString &query)
{
    if (m_query == query)
        return;
    const bool couldLookup = canLookup();
    const bool couldSave = canSave();
    m_query = query;
    Q_EMIT queryChanged();
    noteAvailability(couldLookup, couldSave);
}

QVariantMap PhraseLookupModel::phraseMap() const
{
    return m_phrase ? m_phrase->toJson().toVariantMap() : QVariantMap();
}

QString PhraseLookupModel::phaseName() const
{
    return QString::fromLatin1(QMetaEnum::fromType<Phase>().valueToKey(int(m_phase)));
}

bool PhraseLookupModel::canLookup() const
{
    const QString trimmed = trimmedQuery();
    return m_signedIn && !busy() && !trimmed.isEmpty() && trimmed.size() <= maxQueryLength;
}

bool PhraseLookupModel::canSave() const { return m_signedIn && m_phase == Phase::preview && m_phrase.has_value(); }

void PhraseLookupModel::connect(std::unique_ptr<PhraseLookupAPI> api)
{
    clear();
    m_api = std::move(api);
    setSignedIn(m_api != nullptr);
}

void PhraseLookupModel::clear()
{
    m_generation = QUuid::createUuid();
    cancelTask();
    if (auto api = std::move(m_api))
        api->cancel();
    setSignedIn(false);
    setQuery(QString());
    setPhrase(std::nullopt);
    setError(std::nullopt);
    setPhase(Phase::idle);
}

void PhraseLookupModel::lookup()
{
    if (!canLookup() || !m_api)
        return;
    const QString query = trimmedQuery();
    m_generation = QUuid::createUuid();
    const QUuid token = m_generation;
    setPhrase(std::nullopt);
    setError(std::nullopt);
    setPhase(Phase::lookingUp);

    // Stored before the request starts: a client may answer at once.
    auto request = std::make_shared<Request>();
    m_task = request;
    finishLookup(QPointer(this), m_api->lookup(query), token, request);
}

void PhraseLookupModel::save()
{
    if (!canSave() || !m_phrase || !m_api)
        return;
    // A save runs under the token of the lookup whose card it saves.
    const QUuid token = m_generation;
    const LookupPhrase card = *m_phrase;
    setError(std::nullopt);
    setPhase(Phase::saving);

    auto request = std::make_shared<Request>();
    m_task = request;
    finishSave(QPointer(this), m_api->save(card), token, request);
}

void PhraseLookupModel::cancelLookup()
{
    if (m_phase != Phase::lookingUp)
        return;
    m_generation = QUuid::createUuid();
    cancelTask();
    setPhase(Phase::idle);
}

void PhraseLookupModel::discard()
{
    if (busy())
        return;
    setPhrase(std::nullopt);
    setError(std::nullopt);
    setPhase(Phase::idle);
}

void PhraseLookupModel::signIn()
{
    if (onSignIn)
        onSignIn();
}

void PhraseLookupModel::openLibrary()
{
    if (onOpenLibrary)
        onOpenLibrary();
}

QCoro::Task<void> PhraseLookupModel::finishLookup(QPointer<PhraseLookupModel> self,
                                                  QCoro::Task<LookupOutcome<LookupPhrase>> answer, QUuid token,
                                                  std::shared_ptr<Request> request)
{
    const LookupOutcome<LookupPhrase> outcome = co_await answer;
    if (!self || !self->takeCurrent(token, request))
        co_return;
    if (outcome && outcome.value().isValid()) {
        self->setPhrase(outcome.value());
        self->setPhase(Phase::preview);
        co_return;
    }
    self->setPhase(Phase::idle);
    self->handle(outcome ? LookupFailure(LookupError::invalidResponse()) : outcome.error());
}

QCoro::Task<void> PhraseLookupModel::finishSave(QPointer<PhraseLookupModel> self, QCoro::Task<LookupOutcome<QString>> answer,
                                                QUuid token, std::shared_ptr<Request> request)
{
    const LookupOutcome<QString> outcome = co_await answer;
    if (!self || !self->takeCurrent(token, request))
        co_return;
    if (outcome) {
        self->setPhase(Phase::saved);
        if (self->onSaved)
            self->onSaved();
        co_return;
    }
    self->setPhase(Phase::saveUncertain);
    self->handle(outcome.error());
}

bool PhraseLookupModel::takeCurrent(const QUuid &token, const std::shared_ptr<Request> &request)
{
    if (token != m_generation || request->cancelled)
        return false;
    if (m_task == request)
        m_task.reset();
    return true;
}

void PhraseLookupModel::cancelTask()
{
    const std::shared_ptr<Request> request = std::exchange(m_task, nullptr);
    if (!request)
        return;
    request->cancelled = true;
    // Stops the transfer too; its answer, if it still comes, is stale.
    if (m_api)
        m_api->abandonRequests();
}

void PhraseLookupModel::handle(const LookupFailure &failure)
{
    if (failure.is(LookupError::Kind::signedOut) || failure.is(LookupError::Kind::accountChanged)) {
        // Set after clearing, so the message survives it.
        clear();
        setError(failure.lookupError()->description());
        if (onAccountInvalid)
            onAccountInvalid();
        return;
    }
    if (m_phase == Phase::saveUncertain)
        setError(saveUncertainText);
    else if (failure.lookupError())
        setError(failure.lookupError()->description());
    else
        setError(unreachableText);
}

void PhraseLookupModel::setPhrase(std::optional<LookupPhrase> phrase)
{
    if (m_phrase == phrase)
        return;
    const bool couldLookup = canLookup();
    const bool couldSave = canSave();
    m_phrase = std::move(phrase);
    Q_EMIT phraseChanged();
    noteAvailability(couldLookup, couldSave);
}

void PhraseLookupModel::setPhase(Phase phase)
{
    if (m_phase == phase)
        return;
    const bool couldLookup = canLookup();
    const bool couldSave = canSave();
    m_phase = phase;
    Q_EMIT phaseChanged();
    noteAvailability(couldLookup, couldSave);
}

void PhraseLookupModel::setError(std::optional<QString> error)
{
    if (m_error == error)
        return;
    m_error = std::move(error);
    Q_EMIT errorChanged();
}

void PhraseLookupModel::setSignedIn(bool signedIn)
{
    if (m_signedIn == signedIn)
        return;
    const bool couldLookup = canLookup();
    const bool couldSave = canSave();
    m_signedIn = signedIn;
    Q_EMIT signedInChanged();
    noteAvailability(couldLookup, couldSave);
}

void PhraseLookupModel::noteAvailability(bool couldLookup, bool couldSave)
{
    if (couldLookup != canLookup() || couldSave != canSave())
        Q_EMIT availabilityChanged();
}
