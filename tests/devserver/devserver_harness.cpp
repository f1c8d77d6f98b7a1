#include "devserver_harness.h"

#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSignalSpy>

namespace {

class NoCookies : public QNetworkCookieJar {
public:
    QList<QNetworkCookie> cookiesForUrl(const QUrl &) const override { return {}; }
    bool setCookiesFromUrl(const QList<QNetworkCookie> &, const QUrl &) override { return false; }
};

QByteArray sessionCookie(const HttpReply &reply)
{
    const QByteArray setCookie = reply.header("Set-Cookie");
    if (!setCookie.startsWith("auth.session-token="))
        return {};
    return setCookie.left(setCookie.indexOf(';'));
}

} // namespace

DevServerProcess::DevServerProcess()
{
    m_process.setProgram(QStringLiteral(PELORA_DEVSERVER_PATH));
}

DevServerProcess::~DevServerProcess()
{
    stop();
}

bool DevServerProcess::start(const QStringList &arguments, const QString &dataFolder)
{
    m_dataFolder = dataFolder.isEmpty() ? m_temporary.path() : dataFolder;
    m_process.setArguments(QStringList{"--port", "0", "--data", m_dataFolder} + arguments);
    m_process.start();
    if (!m_process.waitForStarted(10000))
        return false;

    static const QRegularExpression ready(QStringLiteral("^listening on http://localhost:(\\d+)$"));
    QByteArray output;
    QDeadlineTimer deadline(30000);
    while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
        m_process.waitForReadyRead(200);
        output += m_process.readAllStandardOutput();
        m_errors += QString::fromUtf8(m_process.readAllStandardError());
        const QRegularExpressionMatch match = ready.match(QString::fromUtf8(output).trimmed());
        if (match.hasMatch()) {
            m_port = match.captured(1).toUShort();
            return m_port != 0;
        }
    }
    m_errors += QString::fromUtf8(m_process.readAllStandardError());
    return false;
}

void DevServerProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString DevServerProcess::dataFolder() const
{
    return m_dataFolder;
}

QUrl DevServerProcess::url(const QString &pathAndQuery) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(pathAndQuery));
}

QByteArray HttpReply::header(const QByteArray &name) const
{
    for (const auto &[key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

QJsonObject HttpReply::json() const
{
    return QJsonDocument::fromJson(body).object();
}

HttpClient::HttpClient() : m_manager(std::make_unique<QNetworkAccessManager>())
{
    m_manager->setCookieJar(new NoCookies);
    m_manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
}

HttpReply HttpClient::send(const QByteArray &method, const QUrl &url, const QByteArray &body, const Headers &headers)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    for (const auto &[name, value] : headers)
        request.setRawHeader(name, value);
    QNetworkReply *reply = m_manager->sendCustomRequest(request, method, body);
    QSignalSpy finished(reply, &QNetworkReply::finished);
    if (!reply->isFinished())
        finished.wait(30000);

    HttpReply result;
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.body = reply->readAll();
    result.headers = reply->rawHeaderPairs();
    reply->deleteLater();
    return result;
}

HttpReply HttpClient::get(const QUrl &url, const QByteArray &cookie, const Headers &headers)
{
    Headers all = headers;
    if (!cookie.isEmpty())
        all.append({"Cookie", cookie});
    return send("GET", url, {}, all);
}

HttpReply HttpClient::post(const QUrl &url, const QByteArray &body, const QByteArray &contentType,
                           const QByteArray &cookie, const Headers &headers)
{
    Headers all = headers;
    all.append({"Content-Type", contentType});
    if (!cookie.isEmpty())
        all.append({"Cookie", cookie});
    return send("POST", url, body, all);
}

HttpReply HttpClient::postJson(const QUrl &url, const QJsonObject &body, const QByteArray &cookie)
{
    return post(url, QJsonDocument(body).toJson(QJsonDocument::Compact), "application/json", cookie);
}

HttpReply HttpClient::postForm(const QUrl &url, const QList<QPair<QString, QString>> &fields,
                               const QByteArray &cookie, const Headers &headers)
{
    QByteArrayList encoded;
    for (const auto &[name, value] : fields)
        encoded.append(QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value));
    return post(url, encoded.join('&'), "application/x-www-form-urlencoded", cookie, headers);
}

QByteArray signIn(HttpClient &client, const DevServerProcess &server, const QString &email, const QString &password)
{
    return sessionCookie(client.postForm(server.url("/sign-in"), {{"email", email}, {"password", password}}));
}

QByteArray signUp(HttpClient &client, const DevServerProcess &server, const QString &email, const QString &password)
{
    return sessionCookie(client.postForm(server.url("/sign-up"), {{"email", email}, {"password", password}}));
}

QString accountId(HttpClient &client, const DevServerProcess &server, const QByteArray &cookie)
{
    return client.get(server.url("/api/companion/phrases"), cookie).json().value("userId").toString();
}
