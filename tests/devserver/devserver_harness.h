#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QNetworkAccessManager>
#include <QPair>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>
#include <memory>

// Runs the real pelora-devserver as a child process on an ephemeral
// loopback port with its own data folder.
class DevServerProcess {
public:
    DevServerProcess();
    ~DevServerProcess();

    // Starts the server with `arguments` (besides --port 0 and --data) and waits
    // for its "listening on" line. `dataFolder` empty: a fresh temporary folder.
    bool start(const QStringList &arguments = {"--seed"}, const QString &dataFolder = {});
    void stop();

    bool isRunning() const { return m_process.state() == QProcess::Running; }
    quint16 port() const { return m_port; }
    QString dataFolder() const;
    QUrl url(const QString &pathAndQuery) const;
    QString errorOutput() const { return m_errors; }

private:
    QProcess m_process;
    QTemporaryDir m_temporary;
    QString m_dataFolder;
    QString m_errors;
    quint16 m_port = 0;
};

// One finished HTTP exchange.
struct HttpReply {
    int status = 0; // 0: no HTTP answer (connection failed or cut)
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;

    QByteArray header(const QByteArray &name) const;
    QJsonObject json() const;
};

// A plain HTTP client: no cookie jar, no redirects followed, so every test
// sees exactly what the server answered.
class HttpClient {
public:
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    HttpClient();

    HttpReply get(const QUrl &url, const QByteArray &cookie = {}, const Headers &headers = {});
    HttpReply post(const QUrl &url, const QByteArray &body, const QByteArray &contentType,
                   const QByteArray &cookie = {}, const Headers &headers = {});
    HttpReply postJson(const QUrl &url, const QJsonObject &body, const QByteArray &cookie);
    HttpReply postForm(const QUrl &url, const QList<QPair<QString, QString>> &fields, const QByteArray &cookie = {},
                       const Headers &headers = {});
    HttpReply send(const QByteArray &method, const QUrl &url, const QByteArray &body, const Headers &headers);

private:
    std::unique_ptr<QNetworkAccessManager> m_manager;
};

// Signs in through the form and returns "auth.session-token=…" for a Cookie
// header, or an empty array when the server set no session cookie.
QByteArray signIn(HttpClient &client, const DevServerProcess &server, const QString &email, const QString &password);
QByteArray signUp(HttpClient &client, const DevServerProcess &server, const QString &email, const QString &password);

// The account id behind a session, read from the first feed page.
QString accountId(HttpClient &client, const DevServerProcess &server, const QByteArray &cookie);
