#pragma once

#include <QNetworkAccessManager>
#include <QQmlNetworkAccessManagerFactory>

// The network of the QML views: it serves only the program's own resources
// (qrc:, and files beside the program) and refuses every other request, so
// nothing a view shows can make the program reach out to an address.
class OwnResourcesNetwork : public QNetworkAccessManager {
    Q_OBJECT
public:
    using QNetworkAccessManager::QNetworkAccessManager;

    static bool isOwnResource(const QUrl &url);

protected:
    QNetworkReply *createRequest(Operation operation, const QNetworkRequest &request, QIODevice *outgoingData) override;
};

// Installed on every QML engine; the engines call create() from their
// loader threads, and the factory holds no state.
class OwnResourcesNetworkFactory : public QQmlNetworkAccessManagerFactory {
public:
    static OwnResourcesNetworkFactory &shared();
    QNetworkAccessManager *create(QObject *parent) override;
};
