#include "ui/single_instance.h"

#include "os/peer.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <optional>

namespace skerrow {

namespace {

constexpr int ConnectMilliseconds = 1000;
// The running program answers as soon as it has read the paths, even while a box is open there;
// on a machine busy with other work that can still take seconds, and a sender that gives up
// early opens a second window. Only a program that hangs keeps the new one waiting this long.
constexpr int AnswerMilliseconds = 30000;
// Longer than one sender can take, so that programs started together still queue up behind it.
constexpr int StartUpLockMilliseconds = AnswerMilliseconds + 10000;
constexpr char Taken = 'k';
constexpr char Refused = 'n';
constexpr char Confirmed = 'y';

// Bounds on what a message may announce, so a bad one cannot make the listener allocate without end.
constexpr std::uint32_t MaxPaths = 1u << 20;
constexpr std::uint32_t MaxFieldBytes = 1u << 16;

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

std::string Bytes(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

void AppendField(QByteArray& message, const std::string& bytes)
{
    const auto size = static_cast<std::uint32_t>(bytes.size());
    for (int shift = 24; shift >= 0; shift -= 8)
        message.append(static_cast<char>((size >> shift) & 0xFF));
    message.append(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// The count of paths, then the token and each path, every field with its length before it.
QByteArray Encode(const std::vector<std::string>& paths, const std::string& token)
{
    QByteArray message;
    const auto count = static_cast<std::uint32_t>(paths.size());
    for (int shift = 24; shift >= 0; shift -= 8)
        message.append(static_cast<char>((count >> shift) & 0xFF));
    AppendField(message, token);
    for (const std::string& path : paths)
        AppendField(message, path);
    return message;
}

struct Message {
    std::vector<std::string> paths;
    std::string token;
};

enum class Decoded { Incomplete, Bad, Complete };

// Reads a whole message from the front of buffer and removes it from there.
Decoded Decode(QByteArray& buffer, Message& message)
{
    qsizetype at = 0;
    auto number = [&](std::uint32_t& value) {
        if (buffer.size() - at < 4)
            return false;
        value = 0;
        for (int i = 0; i < 4; ++i)
            value = (value << 8) | static_cast<unsigned char>(buffer[at++]);
        return true;
    };
    std::uint32_t count = 0;
    if (!number(count))
        return Decoded::Incomplete;
    if (count > MaxPaths)
        return Decoded::Bad;
    std::vector<std::string> fields;
    for (std::uint32_t i = 0; i <= count; ++i) {
        std::uint32_t size = 0;
        if (!number(size))
            return Decoded::Incomplete;
        if (size > MaxFieldBytes)
            return Decoded::Bad;
        if (buffer.size() - at < static_cast<qsizetype>(size))
            return Decoded::Incomplete;
        fields.emplace_back(buffer.constData() + at, size);
        at += size;
    }
    buffer.remove(0, at);
    message.token = std::move(fields.front());
    message.paths.assign(std::make_move_iterator(fields.begin() + 1), std::make_move_iterator(fields.end()));
    return Decoded::Complete;
}

}  // namespace

SingleInstance::SingleInstance() : m_answerMilliseconds(AnswerMilliseconds)
{
    const QString name = QStringLiteral("skerrow-%1-%2").arg(QString::fromStdString(UserKey()), DisplayKey());
    // Without a private runtime folder the channel lives in one of the user's own below the
    // temporary folder: a name there that anyone could plant would let them take the hand-over.
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !FolderPrivateToUser(Bytes(folder))) {
        const std::string own = PrivateFolder(Bytes(QDir::tempPath()), "skerrow-" + UserKey());
        folder = own.empty() ? QString() : QFile::decodeName(QByteArray::fromStdString(own));
    }
    // With no folder of our own there is no channel: every start opens its own window.
    if (!folder.isEmpty())
        m_serverName = QDir(folder).filePath(name);
}

SingleInstance::~SingleInstance()
{
    ReleaseStartUpLock(m_lock);
}

void SingleInstance::LockStartUp()
{
    if (m_lock < 0 && !m_serverName.isEmpty())
        m_lock = TakeStartUpLock(Bytes(m_serverName + QStringLiteral(".lock")), StartUpLockMilliseconds);
}

bool SingleInstance::HandOver(const std::vector<std::string>& paths, const std::string& token) const
{
    if (m_serverName.isEmpty() || !SocketPathUsable(Bytes(m_serverName)))
        return false;
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(ConnectMilliseconds))
        return false;
    // The name may have been swapped for a link to someone else's socket since it was looked at.
    if (!PeerIsSameUser(static_cast<int>(socket.socketDescriptor())))
        return false;
    LetPeerTakeForeground();
    socket.write(Encode(paths, token));
    const QDeadlineTimer deadline(m_answerMilliseconds);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime())))
            return false;
    }
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            return false;
    }
    char answer = 0;
    if (!socket.getChar(&answer) || answer != Taken)
        return false;
    // Only now may the running program open them: had we given up, it would drop them.
    socket.putChar(Confirmed);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(ConnectMilliseconds))
            return false;
    }
    return true;
}

bool SingleInstance::Listen(Receiver open, std::function<bool()> accepting)
{
    const std::unique_ptr<SingleInstance, void (*)(SingleInstance*)> unlock(this, [](SingleInstance* self) {
        ReleaseStartUpLock(self->m_lock);
        self->m_lock = -1;
    });
    m_open = std::move(open);
    m_accepting = std::move(accepting);
    return TakeChannel();
}

bool SingleInstance::TakeChannel()
{
    if (m_serverName.isEmpty() || !SocketPathUsable(Bytes(m_serverName)))
        return false;
    // A program that answers is running: it stays the one that takes files until it ends.
    auto* probe = new QLocalSocket(this);
    probe->connectToServer(m_serverName);
    if (probe->waitForConnected(ConnectMilliseconds)) {
        if (PeerIsSameUser(static_cast<int>(probe->socketDescriptor())))
            WaitForEnd(probe);
        else
            delete probe;
        return false;
    }
    delete probe;
    // Nobody answers: whatever socket is there was left by a program that ended without removing it.
    QLocalServer::removeServer(m_serverName);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_serverName)) {
        delete m_server;
        m_server = nullptr;
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = m_server->nextPendingConnection())
            Serve(client);
    });
    return true;
}

// The line to the running program says nothing: its end is that program's end, which the system
// tells at once, however the program ended.
void SingleInstance::WaitForEnd(QLocalSocket* line)
{
    connect(line, &QLocalSocket::disconnected, this, [this, line] {
        line->deleteLater();
        TakeChannel();
    });
}

void SingleInstance::Serve(QLocalSocket* client)
{
    if (!PeerIsSameUser(static_cast<int>(client->socketDescriptor()))) {
        client->abort();
        client->deleteLater();
        return;
    }
    struct Conversation {
        QByteArray buffer;
        std::optional<Message> message;  // read and answered
        bool done = false;
    };
    auto conversation = std::make_shared<Conversation>();
    auto step = [this, client, conversation] {
        Conversation& c = *conversation;
        if (c.done)
            return;
        if (client->bytesAvailable() > 0)
            c.buffer += client->readAll();
        if (!c.message) {
            Message message;
            const Decoded decoded = Decode(c.buffer, message);
            if (decoded == Decoded::Incomplete)
                return;
            if (decoded == Decoded::Bad) {
                c.done = true;
                client->abort();
                return;
            }
            if (m_accepting && !m_accepting()) {
                // About to end: the sender becomes the running program, and needs the name free
                // before it hears the answer.
                c.done = true;
                m_server->close();
                client->putChar(Refused);
                client->flush();
                client->disconnectFromServer();
                return;
            }
            c.message = std::move(message);
            client->putChar(Taken);
            client->flush();
        }
        if (c.buffer.isEmpty())
            return;
        c.done = true;
        client->disconnectFromServer();
        if (c.buffer.front() == Confirmed)
            m_open(c.message->paths, c.message->token);
    };
    connect(client, &QLocalSocket::readyRead, client, step);
    connect(client, &QLocalSocket::disconnected, client, [client, step] {
        step();
        client->deleteLater();
    });
    step();
}

void BringToFront(QWidget& window, const std::string& token)
{
    // A Wayland compositor lets a window take the focus only with the token of a launch the user
    // made; Qt reads it from here when the window asks to be activated.
    if (!token.empty())
        qputenv("XDG_ACTIVATION_TOKEN", QByteArray::fromStdString(token));
    if (window.isMinimized())
        window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    QWidget* front = QApplication::activeModalWidget();
    if (!front)
        front = &window;
    front->raise();
    front->activateWindow();
}

}  // namespace skerrow
