#include "ui/single_instance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>

#include <unistd.h>

namespace skerrow {

namespace {

constexpr int ConnectMilliseconds = 1000;
// The running program answers as soon as it has read the path, even while a box is open there;
// on a machine busy with other work that can still take seconds, and giving up early would start
// a second window beside the one that then opens the file too. Only a program that hangs keeps
// the new one waiting this long.
constexpr int AnswerMilliseconds = 30000;
constexpr char Taken = 'k';

// ":0.0" and ":0" are the same display; any character a file name should not hold becomes '_'.
QString DisplayKey()
{
    QString display = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (display.isEmpty())
        display = qEnvironmentVariable("DISPLAY");
    static const QRegularExpression screen(QStringLiteral("(:\\d+)\\.\\d+$"));
    display.replace(screen, QStringLiteral("\\1"));
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._:-]"));
    display.replace(unsafe, QStringLiteral("_"));
    return display.isEmpty() ? QStringLiteral("none") : display;
}

bool OwnedByUsAlone(const QString& folder)
{
    const QFileInfo info(folder);
    return info.isDir() && info.ownerId() == ::getuid() &&
           (info.permissions() &
            (QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
             QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther)) == 0;
}

}  // namespace

SingleInstance::SingleInstance()
{
    const QString name = QStringLiteral("skerrow-%1-%2").arg(::getuid()).arg(DisplayKey());
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    m_private = !folder.isEmpty() && OwnedByUsAlone(folder);
    if (!m_private)
        folder = QDir::tempPath();
    m_serverName = QDir(folder).filePath(name);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::SocketIsOurs() const
{
    if (m_private)
        return true;
    // In a shared folder: a socket that someone else put there is not ours to talk to or replace.
    const QFileInfo socket(m_serverName);
    return !socket.exists() || socket.ownerId() == ::getuid();
}

bool SingleInstance::HandOver(const QString& path) const
{
    if (!SocketIsOurs())
        return false;
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(ConnectMilliseconds))
        return false;
    socket.write(QFile::encodeName(path) + '\n');
    if (!socket.waitForBytesWritten(ConnectMilliseconds))
        return false;
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(AnswerMilliseconds))
            return false;
    }
    char answer = 0;
    return socket.getChar(&answer) && answer == Taken;
}

bool SingleInstance::Listen(std::function<void(const QString&)> open)
{
    if (!SocketIsOurs())
        return false;
    {
        // A program that answers is running: it stays the one that takes files.
        QLocalSocket probe;
        probe.connectToServer(m_serverName);
        if (probe.waitForConnected(ConnectMilliseconds))
            return false;
    }
    // Nobody answers: whatever socket is there was left by a program that ended without removing it.
    QLocalServer::removeServer(m_serverName);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_serverName)) {
        delete m_server;
        m_server = nullptr;
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this, open = std::move(open)] {
        while (QLocalSocket* client = m_server->nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            connect(client, &QLocalSocket::readyRead, client, [client, open] {
                if (!client->canReadLine())
                    return;
                QByteArray line = client->readLine();
                line.chop(1);
                client->putChar(Taken);
                client->flush();
                client->disconnectFromServer();
                if (!line.isEmpty())
                    open(QFile::decodeName(line));
            });
        }
    });
    return true;
}

}  // namespace skerrow
