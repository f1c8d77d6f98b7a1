#include "http_exchange.h"

#include <QHttpServerRequest>
#include <QJsonDocument>

using namespace Qt::StringLiterals;

HttpResponse HttpResponse::json(int status, const QJsonObject &object)
{
    return HttpResponse{status,
                        {{"Content-Type", "application/json"}, {"Cache-Control", "no-store"}},
                        QJsonDocument(object).toJson(QJsonDocument::Compact)};
}

HttpResponse HttpResponse::error(int status, const QString &message)
{
    return json(status, QJsonObject{{"error"_L1, message}});
}

HttpResponse HttpResponse::html(int status, const QString &page)
{
    return HttpResponse{
        status,
        {{"Content-Type", "text/html; charset=utf-8"},
         {"Cache-Control", "no-store"},
         {"Content-Security-Policy", "default-src 'none'; style-src 'unsafe-inline'; form-action 'self'"},
         {"X-Content-Type-Options", "nosniff"}},
        page.toUtf8()};
}

HttpResponse HttpResponse::seeOther(const QByteArray &location)
{
    return HttpResponse{303, {{"Location", location}, {"Cache-Control", "no-store"}}, {}};
}

HttpResponse &HttpResponse::withHeader(const QByteArray &name, const QByteArray &value)
{
    headers.append({name, value});
    return *this;
}

namespace HttpRequest {

namespace {

QList<QByteArray> headerValues(const QHttpServerRequest &request, const QByteArray &name)
{
    QList<QByteArray> values;
    for (const auto &[key, value] : request.headers())
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            values.append(value);
    return values;
}

} // namespace

QByteArray cookie(const QHttpServerRequest &request, const QByteArray &name)
{
    for (const QByteArray &header : headerValues(request, "Cookie")) {
        for (const QByteArray &pair : header.split(';')) {
            const qsizetype equals = pair.indexOf('=');
            if (equals < 0)
                continue;
            if (pair.left(equals).trimmed() == name) {
                QByteArray value = pair.mid(equals + 1).trimmed();
                return value.isNull() ? QByteArray("") : value;
            }
        }
    }
    return {};
}

QUrlQuery formFields(const QHttpServerRequest &request)
{
    // Form encoding writes spaces as '+'; QUrlQuery expects %20.
    QByteArray body = request.body();
    body.replace('+', "%20");
    return QUrlQuery(QString::fromUtf8(body));
}

bool isSecure(const QHttpServerRequest &request)
{
    if (request.url().scheme() == "https"_L1)
        return true;
    const QList<QByteArray> forwarded = headerValues(request, "X-Forwarded-Proto");
    return !forwarded.isEmpty() && forwarded.constFirst().trimmed().toLower() == "https";
}

} // namespace HttpRequest
