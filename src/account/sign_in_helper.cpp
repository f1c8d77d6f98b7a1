#include "account/sign_in_helper.h"

#include "account/account_log.h"
#include "account/companion_session.h"

#include <QDesktopServices>
#include <QTimer>

using Kind = SignInMessage::Kind;

SignInHelper::SignInHelper(const QString &storageFolder, qintptr channel)
    : m_session(std::make_unique<CompanionSession>(storageFolder, nullptr))
{
    connect(m_session.get(), &SignInSession::sessionChanged, this, [this] { send({Kind::sessionChanged}); });
    connect(m_session.get(), &CompanionSession::openInBrowserRequested, this,
            [](const QUrl &url) { QDesktopServices::openUrl(url); });
    connect(m_session.get(), &CompanionSession::windowHidden, this, [this] {
        send({Kind::windowClosed, {}, {}, m_read});
    });

    connect(&m_channel, &QLocalSocket::readyRead, this, &SignInHelper::readMessages);
    // The companion ended, however it ended: so does the helper.
    connect(&m_channel, &QLocalSocket::disconnected, this, &SignInHelper::end);
    if (!m_channel.setSocketDescriptor(channel)) {
        qCWarning(lcSession) << "the sign-in helper has no channel to the companion:" << m_channel.errorString();
        QTimer::singleShot(0, this, &SignInHelper::end);
    }
}

SignInHelper::~SignInHelper() = default;

void SignInHelper::send(const SignInMessage &message)
{
    if (m_channel.state() == QLocalSocket::ConnectedState)
        m_channel.write(message.framed());
}

void SignInHelper::readMessages()
{
    const QList<SignInMessage> messages = m_reader.read(m_channel.readAll());
    for (const SignInMessage &message : messages) {
        if (m_ending)
            return;
        ++m_read;
        handle(message);
    }
    if (m_reader.failed() && !m_ending) {
        qCWarning(lcSession) << "the sign-in helper got a malformed message from the companion; ending";
        end();
    }
}

void SignInHelper::handle(const SignInMessage &message)
{
    switch (message.kind) {
    case Kind::show:
        m_session->showLogin(message.url);
        return;
    case Kind::hide:
        m_session->finishLogin();
        return;
    case Kind::acceptCookies:
        acceptCookies(message);
        return;
    case Kind::clear:
        clearSession();
        return;
    case Kind::quit:
        end();
        return;
    case Kind::sessionChanged:
    case Kind::cookiesAccepted:
    case Kind::windowClosed:
    case Kind::cleared:
        break;
    }
    qCWarning(lcSession) << "the sign-in helper got a message meant for the companion; ending";
    end();
}

QCoro::Task<void> SignInHelper::acceptCookies(SignInMessage message)
{
    QList<QNetworkReply::RawHeaderPair> headers;
    for (const QByteArray &field : message.fields)
        headers.append({QByteArrayLiteral("Set-Cookie"), field});
    const QPointer<SignInHelper> self(this);
    // The session takes an answer's cookies without waiting, so the replies
    // keep the order of the requests.
    co_await m_session->acceptCookies(headers, message.url);
    if (self && !self->m_ending)
        send({Kind::cookiesAccepted});
}

QCoro::Task<void> SignInHelper::clearSession()
{
    const QPointer<SignInHelper> self(this);
    co_await m_session->clear();
    if (self && !self->m_ending)
        send({Kind::cleared});
}

void SignInHelper::end()
{
    if (m_ending)
        return;
    m_ending = true;
    // The engine writes its cookies to disk as its profile goes.
    m_session.reset();
    if (m_channel.state() == QLocalSocket::ConnectedState)
        m_channel.flush();
    Q_EMIT finished();
}
