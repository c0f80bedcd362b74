#include "ui/window_geometry.h"

#include <QDialog>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>

namespace skerrow {

namespace {

QScreen* ScreenOf(const QWidget& window)
{
    QScreen* screen = window.screen();
    return screen ? screen : QGuiApplication::primaryScreen();
}

class CentreOnShow final : public QObject {
public:
    CentreOnShow(QWidget& window, Centring where) : QObject(&window), m_where(where) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && !event->spontaneous())
            Centre(*static_cast<QWidget*>(watched));
        return false;
    }

private:
    void Centre(QWidget& window) const
    {
        QWidget* over = window.parentWidget() ? window.parentWidget()->window() : nullptr;
        if (m_where == Centring::OverParent && over && over->isVisible()) {
            window.move(CentredIn(over->frameGeometry(), window.frameGeometry().size()));
            return;
        }
        const QScreen* screen = ScreenOf(over ? *over : window);
        if (screen)
            window.move(CentredIn(screen->availableGeometry(), window.frameGeometry().size()));
    }

    Centring m_where;
};

}  // namespace

void CentreOnScreen(QWidget& window)
{
    if (const QScreen* screen = ScreenOf(window))
        window.move(CentredIn(screen->availableGeometry(), window.frameGeometry().size()));
}

void CentreWhenShown(QWidget& window, Centring where)
{
    window.installEventFilter(new CentreOnShow(window, where));
}

void UseFixedFrame(QDialog& window, QSize clientSize, bool closeBox)
{
    Qt::WindowFlags flags =
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint;
    if (closeBox)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    window.setWindowFlags(flags);
    window.setFixedSize(clientSize);
    window.setSizeGripEnabled(false);
}

}  // namespace skerrow
