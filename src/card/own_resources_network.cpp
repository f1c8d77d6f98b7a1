#include "card/own_resources_network.h"

#include <QCoreApplication>
#include <QDir>
#include <QLoggingCategory>
#include <QNetworkReply>
#include <QTimer>

using namespace Qt::StringLiterals;

Q_LOGGING_CATEGORY(lcViewNetwork, "pelora.view.network", QtWarningMsg)

namespace {

// The answer to a refused request: access denied, reported once the caller
// has had the chance to connect to the reply.
class RefusedReply : public QNetworkReply {
public:
    RefusedReply(QNetworkAccessManager::Operation operation, const QNetworkRequest &request, QObject *parent)
        : QNetworkReply(parent)
    {
        setOperation(operation);
        setRequest(request);
        setUrl(request.url());
        setError(ContentAccessDenied, u"Only the program's own resources can be loaded"_s);
        setFinished(true);
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        QTimer::singleShot(0, this, [this] {
            Q_EMIT errorOccurred(ContentAccessDenied);
            Q_EMIT finished();
        });
    }
    void abort() override {}
    qint64 bytesAvailable() const override { return 0; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
};

} // namespace

bool OwnResourcesNetwork::isOwnResource(const QUrl &url)
{
    if (url.scheme() == "qrc"_L1)
        return true;
    if (!url.isLocalFile())
        return false;
    const QString programFolder = QDir(QCoreApplication::applicationDirPath()).canonicalPath();
    const QString path = QFileInfo(url.toLocalFile()).canonicalFilePath();
    return !programFolder.isEmpty() && path.startsWith(programFolder + u'/');
}

QNetworkReply *OwnResourcesNetwork::createRequest(Operation operation, const QNetworkRequest &request,
                                                  QIODevice *outgoingData)
{
    if (isOwnResource(request.url()))
        return QNetworkAccessManager::createRequest(operation, request, outgoingData);
    // Scheme and host only: the rest of an address someone wrote may carry anything.
    qCWarning(lcViewNetwork) << "refused a view's request to" << request.url().scheme() << request.url().host();
    return new RefusedReply(operation, request, this);
}

OwnResourcesNetworkFactory &OwnResourcesNetworkFactory::shared()
{
    static OwnResourcesNetworkFactory factory;
    return factory;
}

QNetworkAccessManager *OwnResourcesNetworkFactory::create(QObject *parent)
{
    return new OwnResourcesNetwork(parent);
}
