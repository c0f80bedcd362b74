// The channel between a started program and the one already running: a file handed over arrives,
// a socket left by a crashed program is replaced, and a running program is never displaced.

#include "ui/single_instance.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <future>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace skerrow;

namespace {

// HandOver waits for the answer, which the listening side gives from its event loop: the
// handing side runs in a thread of its own while the test's loop turns.
bool HandOverFromAnotherThread(const QString& path)
{
    auto handed = std::async(std::launch::async, [path] { return SingleInstance().HandOver(path); });
    while (handed.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
        QCoreApplication::processEvents();
    return handed.get();
}

// What a program that was killed leaves behind: a socket file that nobody listens on.
void LeaveDeadSocket(const QString& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    QVERIFY(fd >= 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    std::memcpy(address.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
    QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    QVERIFY(QFileInfo::exists(path));
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

    void theSocketLiesInThePrivateRuntimeFolder()
    {
        QVERIFY(SingleInstance().ServerName().startsWith(m_runtime->path() + '/'));
    }

    void withNoProgramRunningNothingIsHandedOver()
    {
        QVERIFY(!HandOverFromAnotherThread(QStringLiteral("/v/a.1bk")));
    }

    void filesHandedOverArriveInOrder_data()
    {
        QTest::addColumn<bool>("deadSocketLeft");
        QTest::newRow("a fresh start") << false;
        QTest::newRow("after a crash") << true;
    }

    void filesHandedOverArriveInOrder()
    {
        QFETCH(bool, deadSocketLeft);
        SingleInstance running;
        if (deadSocketLeft)
            LeaveDeadSocket(running.ServerName());
        QStringList received;
        QVERIFY(running.Listen([&received](const QString& path) { received << path; }));
        QVERIFY(HandOverFromAnotherThread(QStringLiteral("/v/a.1bk")));
        QVERIFY(HandOverFromAnotherThread(QStringLiteral("/v/b c.avc")));
        QTRY_COMPARE(received, QStringList({"/v/a.1bk", "/v/b c.avc"}));

        // A later program does not take the channel from the running one.
        QVERIFY(!SingleInstance().Listen([](const QString&) {}));
        QVERIFY(HandOverFromAnotherThread(QStringLiteral("/v/d.1vc")));
        QTRY_COMPARE(received.size(), 3);
    }

private:
    std::unique_ptr<QTemporaryDir> m_runtime;
};

QTEST_MAIN(SingleInstanceTest)
#include "single_instance_test.moc"
