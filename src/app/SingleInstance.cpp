#include "app/SingleInstance.h"

#include "base/FileNames.h"
#include "base/SystemError.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

#ifndef Q_OS_WIN
#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

constexpr int ConnectMs = 1000;
constexpr QByteArrayView Request = "activate\n";
constexpr QByteArrayView Answer = "lumetra\n";

#ifndef Q_OS_WIN
// Why `folder` is no place for the socket: it must be a folder (not a link to one) of this
// user's own that nobody else can enter.
QString folderProblem(const QString& folder) {
    struct stat st {};
    if (::lstat(QFile::encodeName(folder).constData(), &st) != 0)
        return QString::fromStdString(errorReason(errno, ReasonLanguage::Russian));
    if (!S_ISDIR(st.st_mode))
        return QStringLiteral("это не папка");
    if (st.st_uid != ::geteuid())
        return QStringLiteral("папка принадлежит другому пользователю");
    if ((st.st_mode & 077) != 0)
        return QStringLiteral("в папку могут войти другие пользователи (права %1, нужны 0700)")
            .arg(st.st_mode & 07777, 4, 8, QLatin1Char('0'));
    return {};
}
#endif

} // namespace

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), m_name(std::move(name)) {}

SingleInstance::~SingleInstance() = default;

SingleInstance::Place SingleInstance::serverPlace() {
    // The user and the settings file stand for "the same program": a test or a second data
    // folder runs beside the everyday one.
    const QByteArray user = qgetenv("USER") + qgetenv("USERNAME");
    const QByteArray key =
        QCryptographicHash::hash(user + '\n' + QByteArray::fromStdString(settingsFilePath()),
                                 QCryptographicHash::Sha1)
            .toHex()
            .left(12);
    const QString socket = QStringLiteral("lumetra-") + QString::fromLatin1(key);
#ifdef Q_OS_WIN
    // A pipe name; the user is in the key, and the pipe's default access is the user's own.
    return {socket, {}};
#else
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && folderProblem(runtime).isEmpty())
        return {runtime + QLatin1Char('/') + socket, {}};
    const QString folder =
        QDir::tempPath() + QStringLiteral("/lumetra-") + QString::number(::geteuid());
    // Made private from the start; one that is there already is taken only as it should be.
    if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST)
        return {{},
                folder + QStringLiteral(": ") +
                    QString::fromStdString(errorReason(errno, ReasonLanguage::Russian))};
    if (const QString problem = folderProblem(folder); !problem.isEmpty())
        return {{}, folder + QStringLiteral(": ") + problem};
    return {folder + QLatin1Char('/') + socket, {}};
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
    // Only our own program answers; whatever else listens there is not asked twice.
    QByteArray answer;
    while (answer.size() < Answer.size() && socket.waitForReadyRead(ConnectMs))
        answer += socket.readAll();
    socket.disconnectFromServer();
    return answer.startsWith(Answer);
}

bool SingleInstance::listen(std::function<void()> activate) {
    m_activate = std::move(activate);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // Something that takes connections but did not answer activateRunning() is no Lumetra;
    // its socket stays (Qt would put ours in its place).
    QLocalSocket other;
    other.connectToServer(m_name);
    if (other.waitForConnected(ConnectMs))
        return false;
    if (!m_server->listen(m_name)) {
        // Nobody there: the socket is a crashed program's leftover.
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
                    socket->write(Answer.data(), Answer.size());
                    socket->flush();
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
