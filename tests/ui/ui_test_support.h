#pragma once

// Helpers shared by the Qt tests of the main window and the platform adapters.

#include "core/library_state.h"
#include "scripted_platform.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace skerrow::test {

// Watches for modal windows (dialogs run by exec()) and hands each new one to act, inside the
// modal window's own event loop. act returns whether it took the window (and closed it, or will);
// windows it leaves are offered again, for at most GiveUpSeconds: then the window is closed and
// recorded as given up, so that a test fails instead of waiting for ever. The titles of the
// windows taken are recorded.
class ModalHandler {
public:
    static constexpr int GiveUpSeconds = 20;

    explicit ModalHandler(std::function<bool(QWidget*)> act) : m_act(std::move(act))
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal == m_last)
                return;
            if (modal != m_offered) {
                m_offered = modal;
                m_since.restart();
            }
            if (m_act(modal)) {
                m_last = modal;
                titles.push_back(modal->windowTitle());
            } else if (m_since.hasExpired(GiveUpSeconds * 1000)) {
                m_last = modal;
                givenUp.push_back(modal->windowTitle());
                modal->close();
            }
        });
        m_timer.start();
    }

    std::vector<QString> titles;
    std::vector<QString> givenUp;

    // The titles of the windows given up, for a failure's message.
    QString GivenUp() const
    {
        QStringList list(givenUp.begin(), givenUp.end());
        return QStringLiteral("left open: ") + list.join(QStringLiteral(", "));
    }

private:
    std::function<bool(QWidget*)> m_act;
    QTimer m_timer;
    QPointer<QWidget> m_last;
    QPointer<QWidget> m_offered;
    QElapsedTimer m_since;
};

// Closes every modal window that shows up, recording its title.
// Hands data to target as the window system delivers a drag that ends at at: enter, move, drop.
// Returns whether the drop was taken.
inline bool DropAt(QWidget* target, const QPoint& at, const QMimeData* data)
{
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QDropEvent drop(QPointF(at), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QCoreApplication::processEvents();
    return enter.isAccepted() && drop.isAccepted();
}

inline std::unique_ptr<ModalHandler> CloseEveryModal()
{
    return std::make_unique<ModalHandler>([](QWidget* modal) {
        modal->close();
        return true;
    });
}

// A main window on the scripted platform, with the program end recorded instead of performed.
struct WindowFixture {
    LibraryState state;
    ScriptedPlatform platform;
    MainWindow window{state, platform};
    int programEnds = 0;

    WindowFixture()
    {
        window.SetProgramEnd([this] { ++programEnds; });
    }

    std::vector<std::string> DestNames() const
    {
        std::vector<std::string> names;
        for (int i = 0; i < window.List2->count(); ++i)
            names.push_back(LatinBytes(window.List2->item(i)->text()));
        return names;
    }

    // Puts names straight into the destination with entries pointing at path, slots 1..n.
    void FillDestination(const std::vector<std::string>& names, const std::string& path = "/nowhere/a.1bk")
    {
        for (std::size_t i = 0; i < names.size(); ++i) {
            window.librarian().List2.AddItem(names[i]);
            state.DestEntries[i] = DestEntry{path, static_cast<std::int16_t>(i + 1)};
        }
    }

    void SelectSource(const std::vector<int>& rows)
    {
        for (int row : rows)
            window.List1->item(row)->setSelected(true);
    }
};

}  // namespace skerrow::test
