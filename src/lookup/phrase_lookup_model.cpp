#include "lookup/phrase_lookup_model.h"

#include <QMetaEnum>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

const QString saveUncertainText =
    u"Couldn’t confirm the save. Check your phrasebook before looking up and saving this phrase again."_s;
const QString unreachableText = u"Couldn’t reach Pelora. Check your connection and try again."_s;

} // namespace

PhraseLookupModel::PhraseLookupModel(QObject *parent) : QObject(parent) {}

PhraseLookupModel::~PhraseLookupModel()
{
    // Ending the client resumes its waiting requests right here, while this
    // object still looks alive to them: cancelTask makes their answers stale
    // first.
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

bool PhraseLookupModel::canSave() const
{
    return m_signedIn && m_phase == Phase::preview && m_phrase.has_value();
}

void PhraseLookupModel::connect(std::unique_ptr<PhraseLookupAPI> api)
{
    clear();
    m_api = std::move(api);
    setSignedIn(m_api != nullptr);
}

void PhraseLookupModel::clear()
{
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
    const quint64 generation = ++m_generation;
    setPhrase(std::nullopt);
    setError(std::nullopt);
    setPhase(Phase::lookingUp);

    // Marked before the request starts: a client may answer at once.
    m_requestInFlight = true;
    QCoro::connect(m_api->lookup(query), this, [this, generation](const LookupOutcome<LookupPhrase> &outcome) {
        finishLookup(generation, outcome);
    });
}

void PhraseLookupModel::save()
{
    if (!canSave() || !m_phrase || !m_api)
        return;
    const quint64 generation = ++m_generation;
    const LookupPhrase card = *m_phrase;
    setError(std::nullopt);
    setPhase(Phase::saving);

    m_requestInFlight = true;
    QCoro::connect(m_api->save(card), this,
                   [this, generation](const LookupOutcome<QString> &outcome) { finishSave(generation, outcome); });
}

void PhraseLookupModel::cancelLookup()
{
    if (m_phase != Phase::lookingUp)
        return;
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

void PhraseLookupModel::finishLookup(quint64 generation, const LookupOutcome<LookupPhrase> &outcome)
{
    if (!takeCurrent(generation))
        return;
    if (outcome && outcome.value().isValid()) {
        setPhrase(outcome.value());
        setPhase(Phase::preview);
        return;
    }
    setPhase(Phase::idle);
    handle(outcome ? LookupFailure(LookupError::invalidResponse()) : outcome.error());
}

void PhraseLookupModel::finishSave(quint64 generation, const LookupOutcome<QString> &outcome)
{
    if (!takeCurrent(generation))
        return;
    if (outcome) {
        setPhase(Phase::saved);
        Q_EMIT saved();
        return;
    }
    setPhase(Phase::saveUncertain);
    handle(outcome.error());
}

bool PhraseLookupModel::takeCurrent(quint64 generation)
{
    if (generation != m_generation)
        return false;
    m_requestInFlight = false;
    return true;
}

void PhraseLookupModel::cancelTask()
{
    ++m_generation;
    if (!std::exchange(m_requestInFlight, false))
        return;
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
        Q_EMIT accountInvalid();
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
