// Skerrow: a librarian for synthesizer voice files. Wires the library state, the Qt platform
// services and the main window together, and runs the event loop. No command line is read.

#include "core/library_state.h"
#include "ui/main_window.h"
#include "ui/qt_platform.h"
#include "voicefile/writer.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv)
{
    skerrow::RemoveUnfinishedFileOnTermination();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Skerrow"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/skerrow/app_icon.svg")));
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.skerrow.Skerrow"));

    skerrow::LibraryState state;
    skerrow::QtPlatform platform;
    skerrow::MainWindow window(state, platform);
    platform.SetWindow(&window);

    window.StartUp();
    return QApplication::exec();
}
