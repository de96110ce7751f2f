#ifndef FRESHWELL_TESTS_CATALOG_TEST_SUPPORT_H
#define FRESHWELL_TESTS_CATALOG_TEST_SUPPORT_H

#include <QMessageBox>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>

#include <vector>

// The bundled catalog server on a free loopback port, serving the files of its own
// temporary folder.
class CatalogServer
{
public:
    CatalogServer();
    ~CatalogServer();
    CatalogServer(const CatalogServer &) = delete;
    CatalogServer &operator=(const CatalogServer &) = delete;

    bool isRunning() const { return port_ != 0; }
    QString url(const QString &path) const;
    // Writes a file that the server then serves at "/" + name.
    void put(const QString &name, const QByteArray &content);

private:
    QTemporaryDir dir_;
    QProcess process_;
    int port_ = 0;
};

// What a message box looked like when it was closed.
struct BoxRecord
{
    QString title;
    QString text;
    QWidget *parent = nullptr;
    bool modal = false;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

// Closes every modal message box that opens while it lives, with its OK button, and
// records it.
class BoxCloser : public QObject
{
public:
    BoxCloser();
    const std::vector<BoxRecord> &boxes() const { return boxes_; }

private:
    void closeOpenBox();

    QTimer timer_;
    std::vector<BoxRecord> boxes_;
};

// Writes an INI stand-in of HKEY_LOCAL_MACHINE to a new file and points the notifier at
// it; a fresh file each time, because a rewritten one may be read stale.
class RegistryFile
{
public:
    explicit RegistryFile(const QByteArray &content);
    ~RegistryFile();
    QString path() const { return path_; }

private:
    QTemporaryDir dir_;
    QString path_;
};

#endif
