#include "progress_windows.h"

#include "fonts.h"
#include "secondary_windows.h"
#include "window_geometry.h"

#include <QFrame>
#include <QLabel>
#include <QProgressBar>

namespace skerrow {

namespace {

// Both progress windows belong to the operation that shows them: they sit over the main window,
// have no close box, and neither Esc nor the frame closes them under the running operation.
void SetUpProgressWindow(QDialog& window, const QString& caption, QSize clientSize)
{
    window.setWindowTitle(caption);
    UseFixedFrame(window, clientSize, false);
    CentreWhenShown(window, Centring::OverParent);
    detail::KeepOpenFor(window, detail::KeepOpen::AgainstEscapeAndFrame);
    window.setFont(SkerrowFont(8.25, true));
}

QFrame* BorderedPanel(QWidget* parent, const QRect& geometry)
{
    auto* panel = new QFrame(parent);
    panel->setFrameStyle(QFrame::WinPanel | QFrame::Raised);
    panel->setGeometry(geometry);
    return panel;
}

QProgressBar* Bar(QWidget* parent, const QRect& geometry)
{
    auto* bar = new QProgressBar(parent);
    bar->setOrientation(Qt::Horizontal);
    bar->setTextVisible(false);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setGeometry(geometry);
    return bar;
}

}  // namespace

frmSortProgress::frmSortProgress(QWidget* parent)
    : QDialog(parent),
      Panel3D1(BorderedPanel(this, TwipRect(0, 0, 4815, 855))),
      // The bar lies on top of the panel, placed in the window's own coordinates.
      ProgressBar1(Bar(this, TwipRect(240, 240, 4335, 375)))
{
    SetUpProgressWindow(*this, QStringLiteral("Sort Progress"), TwipSize(4800, 825));
    Panel3D1->setObjectName(QStringLiteral("Panel3D1"));
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
}

frmFileProgress::frmFileProgress(QWidget* parent)
    : QDialog(parent),
      Panel3D1(BorderedPanel(this, TwipRect(0, 0, 5055, 1695))),
      Label1(new QLabel(Panel3D1)),
      ProgressBar1(Bar(Panel3D1, TwipRect(360, 960, 4335, 375)))
{
    SetUpProgressWindow(*this, QStringLiteral("File Save Progress"), TwipSize(5070, 1725));
    Panel3D1->setObjectName(QStringLiteral("Panel3D1"));
    Label1->setObjectName(QStringLiteral("Label1"));
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    Label1->setGeometry(TwipRect(360, 360, 4335, 255));
    Label1->setFont(SkerrowFont(8.25, true));
}

}  // namespace skerrow
