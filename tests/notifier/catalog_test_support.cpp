#include "catalog_test_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>

CatalogServer::CatalogServer()
{
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QStringLiteral(PYTHON3_EXECUTABLE),
                   {QStringLiteral(CATALOG_SERVER_SCRIPT), QStringLiteral("--port"),
                    QStringLiteral("0"), QStringLiteral("--dir"), dir_.path()});
    if (!process_.waitForStarted(10000))
        return;
    while (!process_.canReadLine() && process_.waitForReadyRead(10000)) {
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
    return QStringLiteral("http://127.0.0.1:%1/%2").arg(port_).arg(path);
}

void CatalogServer::put(const QString &name, const QByteArray &content)
{
    QFile file(QDir(dir_.path()).filePath(name));
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
}

BoxCloser::BoxCloser()
{
    timer_.setInterval(10);
    connect(&timer_, &QTimer::timeout, this, &BoxCloser::closeOpenBox);
    timer_.start();
}

void BoxCloser::closeOpenBox()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || !box->isVisible())
        return;
    BoxRecord record;
    record.title = box->windowTitle();
    record.text = box->text();
    record.parent = box->parentWidget();
    record.modal = box->isModal();
    record.icon = box->icon();
    record.buttons = box->standardButtons();
    boxes_.push_back(record);
    if (QAbstractButton *ok = box->button(QMessageBox::Ok))
        ok->click();
    else
        box->reject();
}

RegistryFile::RegistryFile(const QByteArray &content)
    : path_(QDir(dir_.path()).filePath(QStringLiteral("HKEY_LOCAL_MACHINE.ini")))
{
    QFile file(path_);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
    qputenv("FRESHWELL_REGISTRY", path_.toLocal8Bit());
}

RegistryFile::~RegistryFile()
{
    qunsetenv("FRESHWELL_REGISTRY");
}
