// Freshwell's entry point: the command line, then UpdateDialog and the event loop.
#include "updatedialog.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <QStringList>

// Both box texts end with the option list; joined as literals, each text still reaches
// tr() whole.
#define FRESHWELL_OPTION_LIST                                                                      \
    "Available options are:\n\n"                                                                   \
    "-s or --server <version>\n"                                                                   \
    "-e or --execute <command>\n"                                                                  \
    "-a or --application-list <url>\n"                                                             \
    "-i or --immediate-check"

int main(int argc, char *argv[])
{
    // Also registered by a static initialiser; this keeps the resource object linked in
    // from the static library, and registering twice changes nothing.
    Q_INIT_RESOURCE(freshwell);

    QApplication app(argc, argv);
    // Closing a message box must not end a program that has no other window.
    app.setQuitOnLastWindowClosed(false);

    QString applicationList = QStringLiteral(FRESHWELL_CATALOG_URL);
    QString serverVersion = QStringLiteral("8.4");
    QString executeCommand = QStringLiteral("kitwrightsuite");
    bool immediateCheck = false;

    // Whole-argument, case-sensitive matches; a value option always takes the next
    // argument, even one that looks like an option. Values are taken as the platform
    // decodes its command line (the wide command line on Windows, the locale's encoding
    // elsewhere), so that a non-ASCII path names the file it names in a shell.
    const QStringList arguments = QCoreApplication::arguments();
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--server") || argument == QLatin1String("-s")) {
            if (i + 1 < arguments.size())
                serverVersion = arguments.at(++i);
        } else if (argument == QLatin1String("--execute") || argument == QLatin1String("-e")) {
            if (i + 1 < arguments.size())
                executeCommand = arguments.at(++i);
        } else if (argument == QLatin1String("--application-list") ||
                   argument == QLatin1String("-a")) {
            if (i + 1 < arguments.size())
                applicationList = arguments.at(++i);
        } else if (argument == QLatin1String("--immediate-check") ||
                   argument == QLatin1String("-i")) {
            immediateCheck = true;
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            QMessageBox::information(
                nullptr, QObject::tr("Freshwell"),
                QObject::tr("Usage: Freshwell [options]\n\n" FRESHWELL_OPTION_LIST),
                QMessageBox::Ok);
            return 1;
        } else if (argument.isEmpty()) {
            continue;
        } else {
            QMessageBox::critical(
                nullptr, QObject::tr("Freshwell"),
                QObject::tr("An invalid command line option was specified. " FRESHWELL_OPTION_LIST),
                QMessageBox::Ok);
            return 1;
        }
    }

    UpdateDialog dialog(applicationList, serverVersion, executeCommand, immediateCheck);
    return app.exec();
}
