#include "help_viewer.h"

#include <QFile>
#include <QTextBrowser>
#include <QUrl>

namespace skerrow {

void ShowHelpViewer(const QString& path, QWidget* parent)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return;
    }
    auto* viewer = new QTextBrowser(parent);
    viewer->setWindowFlags(Qt::Window);
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    viewer->setWindowTitle(QStringLiteral("Skerrow Help"));
    viewer->setHtml(QString::fromUtf8(file.readAll()));
    viewer->resize(560, 480);
    viewer->show();
}

}  // namespace skerrow
