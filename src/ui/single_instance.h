#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <string>
#include <vector>

class QLocalServer;
class QLocalSocket;
class QWidget;

namespace skerrow {

// One window program per user and display: a started program that is given files first offers
// them to the program already running, which opens them in its own window.
//
// The channel is a local socket named after the user and the display. It lies in the user's
// runtime folder ($XDG_RUNTIME_DIR, if it is private to the user as it should be); without one it
// lies in the temporary folder (on Windows it is a named pipe open to the user alone). Either way a link at
// the socket's name is never used, and each side talks only to a peer that runs as the same user: no other
// user can receive the paths we open, nor send us files to open.
//
// A lock file beside the socket lets one starting program at a time decide whether it hands its
// files over or becomes the running program, so files opened together give one window.
//
// The message is every path (raw bytes, any byte allowed) with a length before each. The running
// program answers whether it takes them, and opens them only once the sender has confirmed that
// it is still waiting: a sender that gave up and opened its files itself leaves nothing behind.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    // What a running program is handed: the paths in the order given, and the token the desktop
    // gave the launch for bringing a window to the front (empty if none).
    using Receiver = std::function<void(const std::vector<std::string>& paths, const std::string& token)>;

    // The channel of this user on this display.
    SingleInstance();
    ~SingleInstance() override;

    // Waits until no other program of this user and display is between its start and its Listen,
    // and keeps them waiting until Listen. Without the lock (a holder that hangs, a lock file
    // that is not ours) the program goes on as if it had it.
    void LockStartUp();

    // Hands paths to the running program. True when it took them; false when no program runs,
    // it refused them because it is about to end, or it did not answer in time, and then this
    // one opens them itself.
    bool HandOver(const std::vector<std::string>& paths, const std::string& token = {}) const;

    // Becomes the running program: every set of paths handed over from now on goes to open, while
    // accepting (if given) says yes; once it says no, the channel is given up for the next program
    // to take. A socket left by a program that crashed is replaced. False when another program
    // answers on the channel or it cannot be set up; the program then runs on its own, but keeps
    // a line open to the one that answered and takes the channel over as soon as that one has
    // ended, so that files keep going to a window that is still there. Lets go of the start-up
    // lock either way.
    bool Listen(Receiver open, std::function<bool()> accepting = {});

    // Whether this program is the one that takes files now.
    bool Listening() const { return m_server != nullptr; }

    const QString& ServerName() const { return m_serverName; }

    // How long a sender waits for the running program's answer.
    void SetAnswerMilliseconds(int milliseconds) { m_answerMilliseconds = milliseconds; }

private:
    void Serve(QLocalSocket* client);
    bool TakeChannel();
    void WaitForEnd(QLocalSocket* line);

    QString m_serverName;
    int m_answerMilliseconds;
    int m_lock = -1;
    QLocalServer* m_server = nullptr;
    Receiver m_open;
    std::function<bool()> m_accepting;
};

// Brings window to the front for files handed over: un-minimised, raised and activated, or the box
// it shows if one is open; token is the launch's activation token, used where the desktop has one.
void BringToFront(QWidget& window, const std::string& token);

}  // namespace skerrow
