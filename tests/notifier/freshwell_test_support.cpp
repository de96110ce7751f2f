#include "freshwell_test_support.h"

#include <QApplication>
#include <QDir>
#include <QFile>

#include <csignal>
#include <sys/prctl.h>

static void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
}

CatalogServer::CatalogServer(const QString &certificate, const QString &key)
    : scheme_(certificate.isEmpty() ? QStringLiteral("http") : QStringLiteral("https"))
{
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // A crashed test must not leave the server behind holding ctest's output pipe.
    process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    QStringList arguments{QStringLiteral(CATALOG_SERVER_SCRIPT), QStringLiteral("--port"),
                          QStringLiteral("0"), QStringLiteral("--dir"), dir_.path()};
    if (!certificate.isEmpty())
        arguments << QStringLiteral("--cert") << certificate << QStringLiteral("--key") << key;
    process_.start(QStringLiteral(PYTHON3_EXECUTABLE), arguments);
    while (process_.waitForReadyRead(10000) && !process_.canReadLine()) {
    }
    const QByteArray line = process_.readLine().trimmed();
    const QByteArray prefix = "listening on 127.0.0.1:";
    if (line.startsWith(prefix))
        port_ = line.mid(prefix.size()).toInt();
}

CatalogServer::~CatalogServer()
{
    process_.kill();
    process_.waitForFinished(5000);
}

QString CatalogServer::url(const QString &path) const
{
    return QStringLiteral("%1://127.0.0.1:%2/%3").arg(scheme_).arg(port_).arg(path);
}

void CatalogServer::put(const QString &name, const QByteArray &content)
{
    writeFile(QDir(dir_.path()).filePath(name), content);
}

QByteArray catalogOffering(int count, const QByteArray &key, const QByteArray &version)
{
    const QByteArray entry = "<a><platform>windows</platform><versionkey>" + key +
                             "</versionkey><version>" + version + "</version></a>";
    return "<applications>" + entry.repeated(count) + "</applications>";
}

BoxCloser::BoxCloser(std::vector<BoxRecord> *records) : boxes_(records ? records : &ownRecords_)
{
    connect(&timer_, &QTimer::timeout, this, [this] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        boxes_->push_back(BoxRecord{box->windowTitle(), box->text(), box->parentWidget(),
                                    box->icon(), box->standardButtons()});
        box->accept();
    });
    timer_.start(10);
}

RegistryFile::RegistryFile(const QByteArray &content)
{
    const QString path = QDir(dir_.path()).filePath(QStringLiteral("HKEY_LOCAL_MACHINE.ini"));
    writeFile(path, content);
    qputenv("FRESHWELL_REGISTRY", path.toLocal8Bit());
}
