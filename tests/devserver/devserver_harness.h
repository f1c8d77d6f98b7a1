#pragma once

#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

// Runs the real pelora-devserver on an ephemeral loopback port with its own data folder.
class DevServerProcess {
public:
    ~DevServerProcess()
    {
        m_process.terminate();
        m_process.waitForFinished(5000); // QProcess kills it after that
    }
    // Starts with --port 0, --data (a fresh folder) and `arguments`; waits for its "listening on" line.
    // False when it did not start; errorOutput() then says why.
    bool start(const QStringList &arguments = {u"--seed"_s})
    {
        m_process.start(QString::fromUtf8(PELORA_DEVSERVER_PATH),
                        QStringList{u"--port"_s, u"0"_s, u"--data"_s, m_data.path()} + arguments);
        static const QRegularExpression ready(u"^listening on http://localhost:(\\d+)$"_s);
        QByteArray output;
        const QDeadlineTimer deadline(30000);
        while (m_process.waitForStarted(10000) && !deadline.hasExpired()) {
            m_process.waitForReadyRead(200);
            output += m_process.readAllStandardOutput();
            m_errors += QString::fromUtf8(m_process.readAllStandardError());
            const QRegularExpressionMatch match = ready.match(QString::fromUtf8(output).trimmed());
            if (match.hasMatch()) {
                m_port = match.captured(1).toUShort();
                return m_port != 0;
            }
        }
        m_errors += QString::fromUtf8(m_process.readAllStandardError()); // why it did not start
        return false;
    }
    quint16 port() const { return m_port; }
    QString errorOutput() const { return m_errors; }
    QUrl url(const QString &path) const { return QUrl(u"http://127.0.0.1:%1%2"_s.arg(m_port).arg(path)); }

private:
    QProcess m_process;
    QTemporaryDir m_data;
    QString m_errors;
    quint16 m_port = 0;
};

using Headers = QList<QPair<QByteArray, QByteArray>>;

struct HttpReply {
    int status = 0; // 0: no HTTP answer (connection failed or cut)
    QByteArray body;
    Headers headers;
    QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
    QByteArray header(const QByteArray &name) const
    {
        const auto found = std::find_if(headers.begin(), headers.end(),
                                        [&](const auto &h) { return h.first.compare(name, Qt::CaseInsensitive) == 0; });
        return found == headers.end() ? QByteArray() : found->second;
    }
};

// No cookie jar and no redirects followed: every test sees exactly what the server answered.
// Headers with empty values are left out.
class HttpClient {
public:
    HttpReply send(const QByteArray &method, const QUrl &url, const QByteArray &body = {}, const Headers &headers = {})
    {
        QNetworkRequest request(url);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
        request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
        request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
        for (const auto &[name, value] : headers)
            if (!value.isEmpty())
                request.setRawHeader(name, value);
        const std::unique_ptr<QNetworkReply> reply(m_manager.sendCustomRequest(request, method, body));
        if (!reply->isFinished())
            QSignalSpy(reply.get(), &QNetworkReply::finished).wait(30000);
        return {reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll(),
                reply->rawHeaderPairs()};
    }
    HttpReply get(const QUrl &url, const QByteArray &cookie = {})
    {
        return send("GET", url, {}, {{"Cookie"_ba, cookie}});
    }
    HttpReply post(const QUrl &url, const QByteArray &body, const QByteArray &type, const QByteArray &cookie = {},
                   const Headers &headers = {})
    {
        return send("POST", url, body, Headers{{"Content-Type"_ba, type}, {"Cookie"_ba, cookie}} + headers);
    }
    HttpReply postForm(const QUrl &url, const QList<QPair<QString, QString>> &fields, const QByteArray &cookie = {},
                       const Headers &headers = {})
    {
        QByteArrayList encoded;
        for (const auto &[name, value] : fields)
            encoded.append(QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value));
        return post(url, encoded.join('&'), "application/x-www-form-urlencoded", cookie, headers);
    }
    HttpReply postJson(const QUrl &url, const QJsonObject &body, const QByteArray &cookie)
    {
        return post(url, QJsonDocument(body).toJson(QJsonDocument::Compact), "application/json", cookie);
    }

private:
    QNetworkAccessManager m_manager;
};

// Signs in or up through the form and returns "auth.session-token=…" for a
// Cookie header, or an empty array when the server set no session cookie.
inline QByteArray formSession(HttpClient &client, const QUrl &url, const QString &email, const QString &password)
{
    const QByteArray setCookie =
        client.postForm(url, {{u"email"_s, email}, {u"password"_s, password}}).header("Set-Cookie");
    return setCookie.startsWith("auth.session-token=") ? setCookie.left(setCookie.indexOf(';')) : QByteArray();
}
inline QByteArray signIn(HttpClient &client, const DevServerProcess &server, const QString &email,
                         const QString &password)
{
    return formSession(client, server.url(u"/sign-in"_s), email, password);
}
inline QByteArray signUp(HttpClient &client, const DevServerProcess &server, const QString &email,
                         const QString &password)
{
    return formSession(client, server.url(u"/sign-up"_s), email, password);
}
// The account id behind a session, read from the first feed page.
inline QString accountID(HttpClient &client, const DevServerProcess &server, const QByteArray &cookie)
{
    return client.get(server.url(u"/api/companion/phrases"_s), cookie).json().value("userId"_L1).toString();
}
