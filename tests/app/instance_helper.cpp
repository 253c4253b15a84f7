// A stand-in launch for the single-instance tests:
//   instance_helper SERVER [FILE...]
// Prints "handed-over" when a running instance took the files, else
// "primary", then one "file:<path>" line per received file, and ends after
// the first hand-over it receives (or after 10 s).
#include "app/SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2)
        return 2;
    SingleInstance instance(args.at(1));
    const auto role = instance.start(SingleInstance::absolutePaths(args.mid(2), QDir::currentPath()));
    if (role == SingleInstance::Role::handedOver) {
        std::printf("handed-over\n");
        return 0;
    }
    if (role != SingleInstance::Role::primary) {
        std::printf("alone\n");
        return 1;
    }
    std::printf("primary\n");
    std::fflush(stdout);
    QObject::connect(&instance, &SingleInstance::filesReceived, &app, [&](const QList<QUrl> &urls) {
        for (const QUrl &url : urls)
            std::printf("file:%s\n", qPrintable(url.toLocalFile()));
        std::fflush(stdout);
        app.quit();
    });
    QTimer::singleShot(10000, &app, [&] { app.exit(3); });
    return app.exec();
}
