#include "help_viewer.h"

#include "window_geometry.h"

#include <QFile>
#include <QFileInfo>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QWidget>

namespace skerrow {

namespace {

const char* const ViewerName = "SkerrowHelpViewer";

QTextBrowser* NewViewer(QWidget* parent)
{
    auto* window = new QWidget(parent, Qt::Window);
    window->setObjectName(QString::fromLatin1(ViewerName));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(QStringLiteral("Skerrow Help"));
    window->resize(560, 480);
    CentreWhenShown(*window, Centring::OverParent);

    auto* browser = new QTextBrowser(window);
    browser->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser);
    return browser;
}

}  // namespace

void ShowHelpViewer(const QString& path, QWidget* parent)
{
    // Read before anything is created, so that a missing, unreadable or empty file leaves no trace.
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return;
    }
    const QByteArray html = file.readAll();
    if (file.error() != QFileDevice::NoError || html.isEmpty()) {
        return;
    }

    // One viewer at a time: a second request reuses it and starts it again at the top.
    QWidget* window =
        parent ? parent->findChild<QWidget*>(QString::fromLatin1(ViewerName), Qt::FindDirectChildrenOnly)
               : nullptr;
    QTextBrowser* browser = window ? window->findChild<QTextBrowser*>() : NewViewer(parent);
    if (!window) {
        window = browser->window();
    }
    browser->setHtml(QString::fromUtf8(html));
    browser->moveCursor(QTextCursor::Start);
    browser->ensureCursorVisible();
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace skerrow
