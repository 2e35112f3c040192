#include "app/SingleInstance.h"

#include "base/FileNames.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

namespace {

constexpr int ConnectMs = 1000;
constexpr QByteArrayView Request = "activate\n";

} // namespace

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), m_name(std::move(name)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::serverName() {
    // The user and the settings file stand for "the same program": a test or a second data
    // folder runs beside the everyday one.
    const QByteArray user = qgetenv("USER") + qgetenv("USERNAME");
    const QByteArray key =
        QCryptographicHash::hash(user + '\n' + QByteArray::fromStdString(settingsFilePath()),
                                 QCryptographicHash::Sha1)
            .toHex()
            .left(12);
#ifdef Q_OS_WIN
    // A pipe name; the user is in the key.
    return QStringLiteral("lumetra-") + QString::fromLatin1(key);
#else
    // The user's runtime folder; without one the socket is still the user's own (the server
    // lets only its user connect, and the settings path in the key is in the user's home).
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QStringLiteral("/lumetra-") + QString::fromLatin1(key);
#endif
}

bool SingleInstance::activateRunning() {
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(ConnectMs))
        return false;
    socket.write(Request.data(), Request.size());
    if (!socket.waitForBytesWritten(ConnectMs))
        return false;
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::listen(std::function<void()> activate) {
    m_activate = std::move(activate);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name)) {
        // Nobody answered activateRunning(), so the socket is a crashed program's leftover.
        QLocalServer::removeServer(m_name);
        if (!m_server->listen(m_name))
            return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            const auto read = [this, socket] {
                m_pending[socket] += socket->readAll();
                if (m_pending[socket].contains(Request)) {
                    m_pending.remove(socket);
                    socket->disconnectFromServer();
                    if (m_activate)
                        m_activate();
                }
            };
            connect(socket, &QLocalSocket::readyRead, this, read);
            connect(socket, &QObject::destroyed, this,
                    [this, socket] { m_pending.remove(socket); });
            read();
        }
    });
    return true;
}
