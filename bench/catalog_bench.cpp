// Times one update check against a catalog URL: catalog_bench URL [SERVER_VERSION]
// Prints "count=N ms=T peak-rss-kib=K". Run by bench/catalog.sh.
#include "catalog_count.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <sys/resource.h>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: catalog_bench URL [SERVER_VERSION]\n");
        return 2;
    }

    // A failure box would wait for a user: report it and close it.
    int failures = 0;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&failures] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            std::fprintf(stderr, "check failed: %s\n", qPrintable(box->text()));
            ++failures;
            box->reject();
        }
    });
    closer.start(10);

    QElapsedTimer clock;
    clock.start();
    const int count =
        countAvailableUpdates(args.at(1), args.value(2, QStringLiteral("8.4")), nullptr);
    const qint64 elapsed = clock.elapsed();

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("count=%d ms=%lld peak-rss-kib=%ld\n", count, static_cast<long long>(elapsed),
                usage.ru_maxrss);
    return failures == 0 ? 0 : 1;
}
