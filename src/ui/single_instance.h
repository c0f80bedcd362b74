#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;

namespace skerrow {

// One window program per user and display: a started program that is given a file first offers
// it to the program already running, which opens it in its own window.
//
// The channel is a local socket named after the user and the display. It lies in the user's
// runtime folder ($XDG_RUNTIME_DIR, private to the user by definition); without one it lies in
// the temporary folder, made accessible to its owner only, and a socket there that belongs to
// someone else is neither used nor replaced: no other user can receive the paths we open, nor
// send us files to open.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    // The channel of this user on this display.
    SingleInstance();
    ~SingleInstance() override;

    // Hands path to the running program. True when it confirmed that it took the path; false
    // when no program runs (or it did not answer in time), and then this one opens it itself.
    bool HandOver(const QString& path) const;

    // Becomes the running program: every path handed over from now on goes to open. A socket left
    // by a program that crashed is replaced. False when the channel cannot be set up; the program
    // then runs on its own, as it did before there was a channel.
    bool Listen(std::function<void(const QString&)> open);

    const QString& ServerName() const { return m_serverName; }

private:
    bool SocketIsOurs() const;

    QString m_serverName;
    bool m_private = false;  // the socket's folder lets no one else in
    QLocalServer* m_server = nullptr;
};

}  // namespace skerrow
