#include "secondary_windows.h"

#include "fonts.h"
#include "legibility.h"
#include "window_geometry.h"

#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStringList>
#include <QSvgRenderer>

namespace skerrow {

namespace {

// A logo drawn from its SVG source at its exact pixel size, sharp on high-density screens too.
QPixmap Picture(const QString& resource, QSize size, qreal devicePixelRatio)
{
    QPixmap pixmap(size * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(resource);
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return pixmap;
}

// A click (left press and release on the same widget) on any watched widget closes the window.
// It watches through an event filter because a disabled field gets no mouse events of its own;
// the filter sees them before the field turns them away.
class CloseOnClick final : public QObject {
public:
    explicit CloseOnClick(QWidget& window) : QObject(&window), m_window(&window) {}

    void Watch(QWidget* widget) { widget->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                m_pressed = watched;
            }
            return true;
        case QEvent::MouseButtonRelease: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const bool click = mouse->button() == Qt::LeftButton && m_pressed == watched &&
                               static_cast<QWidget*>(watched)->rect().contains(mouse->position().toPoint());
            m_pressed = nullptr;
            if (click && m_window) {
                m_window->close();
            }
            return true;
        }
        default:
            return false;
        }
    }

private:
    QPointer<QWidget> m_window;
    QObject* m_pressed = nullptr;
};

class KeepOpenFilter final : public QObject {
public:
    KeepOpenFilter(QWidget& window, detail::KeepOpen against) : QObject(&window), m_against(against) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            return true;
        }
        if (event->type() == QEvent::Close && event->spontaneous() &&
            m_against == detail::KeepOpen::AgainstEscapeAndFrame) {
            event->ignore();
            return true;
        }
        return false;
    }

private:
    detail::KeepOpen m_against;
};

}  // namespace

namespace detail {

void KeepOpenFor(QDialog& window, KeepOpen against)
{
    window.installEventFilter(new KeepOpenFilter(window, against));
}

}  // namespace detail

// ---------------------------------------------------------------------------------------------

frmAbout::frmAbout(QWidget* parent)
    : QDialog(parent), Image1(new QLabel(this)), Text1(new QLineEdit(this)), lblAbout(new QLabel(this))
{
    setWindowTitle(QStringLiteral("About"));
    UseFixedFrame(*this, TwipSize(7575, 3960));
    CentreWhenShown(*this, Centring::Screen);
    detail::KeepOpenFor(*this, detail::KeepOpen::AgainstEscape);
    setFont(SkerrowFont(8.25, true));

    // The window's background is the system's window (text area) colour, not the dialog face.
    QPalette windowPalette = palette();
    windowPalette.setColor(QPalette::Window, windowPalette.color(QPalette::Base));
    windowPalette.setColor(QPalette::WindowText, windowPalette.color(QPalette::Text));
    setPalette(windowPalette);
    setAutoFillBackground(true);

    Image1->setObjectName(QStringLiteral("Image1"));
    Text1->setObjectName(QStringLiteral("Text1"));
    lblAbout->setObjectName(QStringLiteral("lblAbout"));
    Image1->setGeometry(TwipRect(0, 0, 7485, 2160));
    Image1->setPixmap(
        Picture(QStringLiteral(":/skerrow/logo_large.svg"), Image1->size(), devicePixelRatioF()));

    // Created after the picture so that it lies over its lower edge.
    Text1->setGeometry(TwipRect(2760, 1920, 2055, 255));
    Text1->setText(QStringLiteral("Click to continue"));
    Text1->setAlignment(Qt::AlignCenter);
    Text1->setTextMargins(0, 0, 0, 0);
    Text1->setEnabled(false);
    // Grey, as disabled text is, but dark (or light) enough to read on the field, whatever the
    // desktop's colours.
    QPalette fieldPalette = Text1->palette();
    fieldPalette.setColor(
        QPalette::Disabled, QPalette::Text,
        ReadableOn(fieldPalette.color(QPalette::Disabled, QPalette::Base), QColor(0x80, 0x80, 0x80)));
    Text1->setPalette(fieldPalette);

    lblAbout->setGeometry(TwipRect(120, 2280, 7335, 1575));
    lblAbout->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblAbout->setWordWrap(true);
    // A white label whatever the desktop's colours, so its text is dark whatever they are too.
    QPalette labelPalette = lblAbout->palette();
    labelPalette.setColor(QPalette::Window, Qt::white);
    labelPalette.setColor(QPalette::WindowText, Qt::black);
    lblAbout->setPalette(labelPalette);
    lblAbout->setAutoFillBackground(true);

    auto* closer = new CloseOnClick(*this);
    closer->Watch(Image1);
    closer->Watch(Text1);
    closer->Watch(lblAbout);

    Form_Load();
}

QString frmAbout::AboutText()
{
    return QStringList{
        QStringLiteral("Skerrow \u00a9 2026 the Skerrow developers"),
        QString(),
        QStringLiteral("version 1.1"),
        QString(),
        QStringLiteral("Designed and written by the Skerrow developers"),
        QString(),
        QStringLiteral("Contact: see the README file of the Skerrow project"),
    }
        .join(QLatin1Char('\n'));
}

void frmAbout::Form_Load()
{
    lblAbout->setText(AboutText());
}

// ---------------------------------------------------------------------------------------------

frmLike::frmLike(QWidget* parent)
    : QDialog(parent), Picture1(new QLabel(this)), Text1(new QPlainTextEdit(this))
{
    setWindowTitle(QStringLiteral("If you like this program"));
    UseFixedFrame(*this, TwipSize(3885, 2430));
    CentreWhenShown(*this, Centring::OverParent);
    detail::KeepOpenFor(*this, detail::KeepOpen::AgainstEscape);
    setFont(SkerrowFont(8.25, true));

    Picture1->setObjectName(QStringLiteral("Picture1"));
    Text1->setObjectName(QStringLiteral("Text1"));
    Picture1->setGeometry(TwipRect(0, 0, 1935, 615));
    Picture1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Picture1->setLineWidth(1);
    Picture1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The logo is drawn dark on nothing: on a dark desktop it needs a light ground of its own.
    QPalette picturePalette = Picture1->palette();
    picturePalette.setColor(QPalette::Window, Qt::white);
    Picture1->setPalette(picturePalette);
    Picture1->setAutoFillBackground(true);
    Picture1->setPixmap(
        Picture(QStringLiteral(":/skerrow/logo_small.svg"), QSize(126, 37), devicePixelRatioF()));

    Text1->setGeometry(TwipRect(0, 600, 3855, 1815));
    Text1->setFont(SkerrowFont(9.75, false));
    Text1->setReadOnly(true);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Text1->setPlainText(RequestText());

    auto* closer = new CloseOnClick(*this);
    closer->Watch(this);
    closer->Watch(Picture1);
    closer->Watch(Text1);
    closer->Watch(Text1->viewport());
}

QString frmLike::RequestText()
{
    return QStringList{
        QStringLiteral("If you like Skerrow and find it"),
        QStringLiteral("useful, please consider a small"),
        QStringLiteral("contribution to its developers."),
        QString(),
        QStringLiteral("For contact and contributions,"),
        QStringLiteral("see the README file of the"),
        QStringLiteral("Skerrow project."),
    }
        .join(QStringLiteral("\r\n"));
}

// ---------------------------------------------------------------------------------------------

frmManual::frmManual(QWidget* parent) : QDialog(parent), Text1(new QPlainTextEdit(this))
{
    setWindowTitle(QStringLiteral("Manual"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    resize(TwipSize(8190, 6270));
    setSizeGripEnabled(false);
    CentreWhenShown(*this, Centring::Screen);
    detail::KeepOpenFor(*this, detail::KeepOpen::AgainstEscape);
    setFont(SkerrowFont(8.25, true));

    Text1->setObjectName(QStringLiteral("Text1"));
    // No layout: the field keeps its place and size whatever the window's size.
    Text1->setGeometry(TwipRect(0, 0, 8175, 6255));
    Text1->setFont(SkerrowFixedFont(9.75));
    Text1->setReadOnly(true);
    Text1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Text1->setPlainText(ManualText());
    Text1->moveCursor(QTextCursor::Start);
}

QString frmManual::ManualText()
{
    QFile file(QStringLiteral(":/skerrow/manual.txt"));
    if (!file.open(QIODevice::ReadOnly)) {
        return QString();
    }
    return QString::fromLatin1(file.readAll());
}

// ---------------------------------------------------------------------------------------------

namespace {

template <typename Window>
void ShowModal(QWidget* parent)
{
    auto* window = new Window(parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->exec();
}

}  // namespace

void ShowAboutWindow(QWidget* parent)
{
    ShowModal<frmAbout>(parent);
}
void ShowLikeWindow(QWidget* parent)
{
    ShowModal<frmLike>(parent);
}
void ShowManualWindow(QWidget* parent)
{
    ShowModal<frmManual>(parent);
}

}  // namespace skerrow
