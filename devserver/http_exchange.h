#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrlQuery>

class QHttpServerRequest;

// One answer of the server, built by a handler and written by the server.
struct HttpResponse {
    int status = 200;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    static HttpResponse json(int status, const QJsonObject &object);
    static HttpResponse error(int status, const QString &message); // {"error": message}
    static HttpResponse html(int status, const QString &page);
    static HttpResponse seeOther(const QByteArray &location); // 303

    HttpResponse &withHeader(const QByteArray &name, const QByteArray &value);
};

// Reading what a request carries.
namespace HttpRequest {

// The value of the named cookie in the Cookie header, or a null array.
QByteArray cookie(const QHttpServerRequest &request, const QByteArray &name);

// The fields of an application/x-www-form-urlencoded body.
QUrlQuery formFields(const QHttpServerRequest &request);

// True when the browser reached us over https (directly or through a proxy).
bool isSecure(const QHttpServerRequest &request);

} // namespace HttpRequest
