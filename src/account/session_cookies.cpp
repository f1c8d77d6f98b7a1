#include "account/session_cookies.h"

QByteArray cookieHeader(const QList<QNetworkCookie> &cookies)
{
    QByteArray header;
    for (const QNetworkCookie &cookie : cookies) {
        if (!header.isEmpty())
            header += "; ";
        header += cookie.name() + '=' + cookie.value();
    }
    return header;
}
