// The channel between a started program and the one already running: files handed over arrive
// whole and in order, a socket left by a crashed program is replaced, a running program is never
// displaced, and nothing reaches or comes from anyone but the same user.

#include "ui/single_instance.h"

#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

#include <chrono>
#include <cstring>
#include <future>
#include <string>
#include <vector>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace skerrow;
using Paths = std::vector<std::string>;

namespace {

constexpr uid_t Nobody = 65534;

// HandOver waits for the answer, which the listening side gives from its event loop: the
// handing side runs in a thread of its own while the test's loop turns, unless the listener is
// to look frozen.
bool HandOverFromAnotherThread(const Paths& paths, bool listenerFrozen = false)
{
    auto handed = std::async(std::launch::async, [paths, listenerFrozen] {
        SingleInstance sender;
        if (listenerFrozen)
            sender.SetAnswerMilliseconds(200);
        return sender.HandOver(paths);
    });
    while (handed.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
        if (!listenerFrozen)
            QCoreApplication::processEvents();
    }
    return handed.get();
}

sockaddr_un Address(const QString& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    std::memcpy(address.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
    return address;
}

// A socket bound at path (the file made by us), not yet listening.
int BoundSocket(const QString& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const sockaddr_un address = Address(path);
    if (fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// What a program that was killed leaves behind: a socket file that nobody listens on.
void LeaveDeadSocket(const QString& path)
{
    const int fd = BoundSocket(path);
    QVERIFY(fd >= 0);
    ::close(fd);
    QVERIFY(QFileInfo::exists(path));
}

// Starts play in a child process as another user, which the test may let wait until a later
// step; Finish returns its exit code, or -1 when it did not end within ten seconds (it is then
// killed).
pid_t StartAsAnotherUser(const std::function<int()>& play)
{
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(10);
        if (::setresgid(Nobody, Nobody, Nobody) != 0 || ::setresuid(Nobody, Nobody, Nobody) != 0)
            ::_exit(100);
        ::_exit(play());
    }
    return child;
}

int Finish(pid_t child)
{
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return -1;
        }
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool Readable(int fd)
{
    pollfd wait{fd, POLLIN, 0};
    return ::poll(&wait, 1, 5000) == 1;
}

}  // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_runtime = std::make_unique<QTemporaryDir>();
        QVERIFY(m_runtime->isValid());
        QFile::setPermissions(m_runtime->path(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime->path()));
    }

    // A runtime folder others may enter, or a link to ours that anyone could point elsewhere,
    // is not used: the socket lies in a folder of the user's own in the temporary folder then.
    void theSocketLiesInThePrivateRuntimeFolderOnly_data()
    {
        QTest::addColumn<bool>("openToOthers");
        QTest::addColumn<bool>("throughALink");
        QTest::addColumn<bool>("used");
        QTest::newRow("private") << false << false << true;
        QTest::newRow("open to others") << true << false << false;
        QTest::newRow("a link to it") << false << true << false;
    }

    void theSocketLiesInThePrivateRuntimeFolderOnly()
    {
        QFETCH(bool, openToOthers);
        QFETCH(bool, throughALink);
        QFETCH(bool, used);
        QString folder = m_runtime->path();
        if (openToOthers)
            QVERIFY(QFile::setPermissions(folder, QFile::permissions(folder) | QFileDevice::ReadOther |
                                                      QFileDevice::ExeOther));
        QTemporaryDir links;
        if (throughALink) {
            folder = links.filePath(QStringLiteral("runtime"));
            QVERIFY(QFile::link(m_runtime->path(), folder));
        }
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder));
        QTemporaryDir temporary;
        qputenv("TMPDIR", QFile::encodeName(temporary.path()));
        const QString name = SingleInstance().ServerName();
        qunsetenv("TMPDIR");
        QCOMPARE(name.startsWith(folder + '/'), used);
        if (!used) {
            const QString own = temporary.filePath(QStringLiteral("skerrow-%1").arg(::getuid()));
            QCOMPARE(QFileInfo(name).path(), own);
            struct stat info {};
            QCOMPARE(::lstat(QFile::encodeName(own).constData(), &info), 0);
            QCOMPARE(info.st_mode & 07777, 0700U);
        }
    }

    // The folder of our own in the temporary folder is never one someone else made or planted a
    // link at: then there is no channel at all.
    void aPlantedFolderInTheTemporaryFolderIsNeverUsed()
    {
        qunsetenv("XDG_RUNTIME_DIR");
        QTemporaryDir temporary;
        const QString own = temporary.filePath(QStringLiteral("skerrow-%1").arg(::getuid()));
        QTemporaryDir elsewhere;
        QVERIFY(QFile::link(elsewhere.path(), own));
        qputenv("TMPDIR", QFile::encodeName(temporary.path()));
        SingleInstance planted;
        qunsetenv("TMPDIR");
        QVERIFY(planted.ServerName().isEmpty());
        QVERIFY(!planted.Listen([](const Paths&, const std::string&) {}));
        QVERIFY(QDir(elsewhere.path()).isEmpty());
    }

    void withNoProgramRunningNothingIsHandedOver() { QVERIFY(!HandOverFromAnotherThread({"/v/a.1bk"})); }

    void filesHandedOverArriveWholeAndInOrder_data()
    {
        QTest::addColumn<bool>("deadSocketLeft");
        QTest::newRow("a fresh start") << false;
        QTest::newRow("after a crash") << true;
    }

    void filesHandedOverArriveWholeAndInOrder()
    {
        QFETCH(bool, deadSocketLeft);
        SingleInstance running;
        if (deadSocketLeft)
            LeaveDeadSocket(running.ServerName());
        std::vector<Paths> received;
        QVERIFY(running.Listen(
            [&received](const Paths& paths, const std::string&) { received.push_back(paths); }));
        // Any byte but NUL may be in a name: a line feed, a byte that is no UTF-8.
        const Paths together = {"/v/b.1bk", "/v/new\nline.avc", "/v/latin\xe9.1vc", "/v/a.1bk"};
        QVERIFY(HandOverFromAnotherThread({"/v/a.1bk"}));
        QVERIFY(HandOverFromAnotherThread(together));
        QTRY_COMPARE(received, std::vector<Paths>({{"/v/a.1bk"}, together}));

        // A later program does not take the channel from the running one.
        QVERIFY(!SingleInstance().Listen([](const Paths&, const std::string&) {}));
        QVERIFY(HandOverFromAnotherThread({"/v/d.1vc"}));
        QTRY_COMPARE(received.size(), 3u);
    }

    // A program started while another ran takes the channel over once that one has ended, so that
    // files go to the window still open rather than to a new one.
    void aLaterProgramTakesOverWhenTheRunningOneEnds()
    {
        auto first = std::make_unique<SingleInstance>();
        QVERIFY(first->Listen([](const Paths&, const std::string&) {}));
        std::vector<Paths> received;
        SingleInstance later;
        QVERIFY(!later.Listen(
            [&received](const Paths& paths, const std::string&) { received.push_back(paths); }));
        QVERIFY(!later.Listening());
        first.reset();
        QTRY_VERIFY(later.Listening());
        QVERIFY(HandOverFromAnotherThread({"/v/a.1bk"}));
        QTRY_COMPARE(received, std::vector<Paths>({{"/v/a.1bk"}}));
    }

    // The listener turns its loop only after the sender has given up; the sender opens its file
    // itself, so the listener must not open it as well. The next hand-over comes after it on the
    // same channel: once that one arrives, the first has been dealt with.
    void aFileWhoseSenderGaveUpIsNotOpened()
    {
        SingleInstance running;
        std::vector<Paths> received;
        QVERIFY(running.Listen(
            [&received](const Paths& paths, const std::string&) { received.push_back(paths); }));
        QVERIFY(!HandOverFromAnotherThread({"/v/late.1bk"}, true));
        QVERIFY(HandOverFromAnotherThread({"/v/next.1bk"}));
        QTRY_COMPARE(received, std::vector<Paths>({{"/v/next.1bk"}}));
    }

    // The close prompt is up: files handed over now would go with the window, so the new program
    // is refused and takes the channel over.
    void aProgramAboutToEndRefusesFilesAndLeavesTheChannel()
    {
        SingleInstance ending;
        bool opened = false;
        QVERIFY(ending.Listen([&opened](const Paths&, const std::string&) { opened = true; },
                              [] { return false; }));
        QVERIFY(!HandOverFromAnotherThread({"/v/a.1bk"}));
        SingleInstance next;
        QVERIFY(next.Listen([](const Paths&, const std::string&) {}));
        QVERIFY(!opened);
    }

    void aLinkAtTheSocketsNameIsNeverUsed()
    {
        // A program of ours that listens somewhere else, and a link to it where the channel lies.
        QTemporaryDir elsewhere;
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(elsewhere.path()));
        QFile::setPermissions(elsewhere.path(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        SingleInstance other;
        bool opened = false;
        QVERIFY(other.Listen([&opened](const Paths&, const std::string&) { opened = true; }));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime->path()));
        const QString name = SingleInstance().ServerName();
        QVERIFY(QFile::link(other.ServerName(), name));

        QVERIFY(!HandOverFromAnotherThread({"/v/a.1bk"}));
        QVERIFY(!SingleInstance().Listen([](const Paths&, const std::string&) {}));
        QCoreApplication::processEvents();
        QVERIFY(!opened);
        QVERIFY(QFileInfo(name).isSymLink());
    }

    // Our own socket file, but another user listens on it (as after a link was swapped in
    // between the look and the connect): nothing is sent.
    void nothingGoesToAListenerOfAnotherUser()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to run the other side as another user");
        const int fd = BoundSocket(SingleInstance().ServerName());
        QVERIFY(fd >= 0);
        int ready[2];
        QCOMPARE(::pipe(ready), 0);
        // The other side answers "taken" to anything and exits 1 when it was sent something.
        const pid_t other = StartAsAnotherUser([fd, ready] {
            if (::listen(fd, 1) != 0 || ::write(ready[1], "r", 1) != 1)
                return 101;
            const int client = ::accept(fd, nullptr, nullptr);
            if (client < 0)
                return 102;
            // Refused at once, the sender may be gone already.
            ::send(client, "k", 1, MSG_NOSIGNAL);
            char byte = 0;
            return Readable(client) && ::read(client, &byte, 1) == 1 ? 1 : 0;
        });
        char byte = 0;
        QVERIFY(Readable(ready[0]) && ::read(ready[0], &byte, 1) == 1);
        ::close(ready[0]);
        ::close(ready[1]);
        auto handed = std::async(std::launch::async, [] {
            SingleInstance sender;
            sender.SetAnswerMilliseconds(3000);
            return sender.HandOver({"/v/secret.1bk"});
        });
        const int heard = Finish(other);
        ::close(fd);
        QVERIFY(!handed.get());
        QCOMPARE(heard, 0);
    }

    void nothingIsTakenFromASenderOfAnotherUser()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to run the other side as another user");
        SingleInstance running;
        std::vector<Paths> received;
        QVERIFY(running.Listen(
            [&received](const Paths& paths, const std::string&) { received.push_back(paths); }));
        const QString name = running.ServerName();
        const auto open = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                          QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
        QVERIFY(QFile::setPermissions(m_runtime->path(), open));
        QVERIFY(QFile::setPermissions(name, open));
        // One path, no token, confirmed at once; exits 1 when it was answered.
        const sockaddr_un address = Address(name);
        const int answered = Finish(StartAsAnotherUser([&address] {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
                return 101;
            const char message[] = "\0\0\0\1\0\0\0\0\0\0\0\x0e/v/planted.1bky";
            if (::write(fd, message, sizeof message - 1) != sizeof message - 1)
                return 102;
            char byte = 0;
            return Readable(fd) && ::read(fd, &byte, 1) == 1 ? 1 : 0;
        }));
        QVERIFY(QFile::setPermissions(m_runtime->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                             QFileDevice::ExeOwner));
        QCOMPARE(answered, 0);
        QVERIFY(HandOverFromAnotherThread({"/v/mine.1bk"}));
        QTRY_COMPARE(received, std::vector<Paths>({{"/v/mine.1bk"}}));
    }

    void aWindowHandedFilesComesOutOfTheTaskBar()
    {
        QWidget window;
        window.showMinimized();
        BringToFront(window, {});
        QVERIFY(!window.isMinimized());
    }

private:
    std::unique_ptr<QTemporaryDir> m_runtime;
};

QTEST_MAIN(SingleInstanceTest)
#include "single_instance_test.moc"
