#ifndef FRESHWELL_TESTS_FRESHWELL_TEST_SUPPORT_H
#define FRESHWELL_TESTS_FRESHWELL_TEST_SUPPORT_H

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <vector>

// The bundled catalog server on a free loopback port, serving its own temporary folder.
class CatalogServer
{
public:
    // Over https with a certificate and key.
    explicit CatalogServer(const QString &certificate = {}, const QString &key = {});
    ~CatalogServer();
    bool isRunning() const { return port_ != 0; }
    QString url(const QString &path) const;
    void put(const QString &name, const QByteArray &content);

private:
    QTemporaryDir dir_;
    QProcess process_;
    QString scheme_;
    int port_ = 0;
};

// A catalog of `count` entries that offer `version` of what the registry holds at `key`.
QByteArray catalogOffering(int count, const QByteArray &key = "SOFTWARE\\App\\Version",
                           const QByteArray &version = "2.0");

// What a message box looked like when it was closed.
struct BoxRecord
{
    QString title;
    QString text;
    QWidget *parent = nullptr;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

// Records and accepts every modal message box that opens while it lives; into records when
// given, so they can outlive it.
class BoxCloser : public QObject
{
public:
    explicit BoxCloser(std::vector<BoxRecord> *records = nullptr);
    const std::vector<BoxRecord> &boxes() const { return *boxes_; }

private:
    QTimer timer_;
    std::vector<BoxRecord> ownRecords_;
    std::vector<BoxRecord> *boxes_;
};

// An INI stand-in of HKEY_LOCAL_MACHINE that the notifier reads while this lives; a new
// file each time, because a rewritten one may be read stale.
class RegistryFile
{
public:
    explicit RegistryFile(const QByteArray &content);
    ~RegistryFile() { qunsetenv("FRESHWELL_REGISTRY"); }

private:
    QTemporaryDir dir_;
};

// Processes events until condition() holds or msec have passed; what condition() then says.
template <typename Condition> bool waitFor(Condition condition, int msec = 5000)
{
    const QDeadlineTimer deadline(msec);
    while (!condition() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return condition();
}

#endif
