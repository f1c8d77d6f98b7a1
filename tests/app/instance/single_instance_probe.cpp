// single_instance_probe [arguments…]: claims the companion's place like the
// program does. Exits 0 after handing its arguments to a running companion,
// 1 when one runs but does not take them; otherwise it stays as the running
// companion, prints "listening" and then one line per forwarded launch.
#include "app/single_instance.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    SingleInstance instance;
    if (!instance.listen())
        return SingleInstance::forward(arguments) ? 0 : 1;

    QObject::connect(&instance, &SingleInstance::argumentsReceived, [](const QStringList &received) {
        std::printf("%s\n", QJsonDocument(QJsonArray::fromStringList(received)).toJson(QJsonDocument::Compact).constData());
        std::fflush(stdout);
    });
    std::printf("listening\n");
    std::fflush(stdout);
    return app.exec();
}
