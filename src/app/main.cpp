// Skerrow: a librarian for synthesizer voice files. Wires the library state, the Qt platform
// services and the main window together, and runs the event loop.
//
// The command line holds at most one FILE, opened after the start-up as File > Open would open
// it; when the window program already runs for this user on this display, FILE goes to it and
// this one ends.

#include "core/library_state.h"
#include "ui/main_window.h"
#include "ui/qt_platform.h"
#include "ui/single_instance.h"
#include "voicefile/writer.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QIcon>

#include <cstdio>
#include <cstring>
#include <optional>

#ifndef SKERROW_VERSION
#error "SKERROW_VERSION must come from the project version"
#endif

namespace {

constexpr const char* Usage =
    "usage: skerrow [FILE]\n"
    "Opens the VL1 voice file FILE as the source (in the Skerrow window already open, if any).\n"
    "  --help     show this text and end\n"
    "  --version  show the version and end\n";

struct CommandLine {
    std::optional<QString> file;
    std::optional<int> exitCode;  // set when the program ends without a window
};

// Reads what Qt left of the command line: options before "--", at most one file.
CommandLine ReadCommandLine(const QStringList& arguments)
{
    CommandLine line;
    bool optionsEnd = false;
    int files = 0;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (!optionsEnd && argument == QLatin1String("--")) {
            optionsEnd = true;
        } else if (!optionsEnd && argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
            std::fprintf(stderr, "skerrow: unknown option %s\n%s", qPrintable(argument), Usage);
            line.exitCode = 2;
            return line;
        } else if (++files == 1) {
            line.file = argument;
        }
    }
    if (files > 1) {
        std::fprintf(stderr, "skerrow: one file at most\n%s", Usage);
        line.exitCode = 2;
    }
    return line;
}

// --help and --version answer before any window system is needed.
std::optional<int> AnswerInformationOption(int argc, char** argv)
{
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("skerrow " SKERROW_VERSION);
            return 0;
        }
    }
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv)
{
    if (const std::optional<int> answered = AnswerInformationOption(argc, argv))
        return *answered;

    // Before anything of Qt's can read a setting.
    skerrow::KeepNoSettings();

    skerrow::os::RemoveOnTermination();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Skerrow"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/skerrow/app_icon.svg")));
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.skerrow.Skerrow"));

    const CommandLine line = ReadCommandLine(QApplication::arguments());
    if (line.exitCode)
        return *line.exitCode;
    // The running program may have another working folder.
    const std::optional<QString> file =
        line.file ? std::optional<QString>(QFileInfo(*line.file).absoluteFilePath()) : std::nullopt;

    skerrow::SingleInstance instance;
    if (file && instance.HandOver(*file))
        return 0;

    skerrow::LibraryState state;
    skerrow::QtPlatform platform;
    skerrow::MainWindow window(state, platform);
    platform.SetWindow(&window);
    // Takes the files handed over from now on, unless another program already does.
    instance.Listen(
        [&window](const QString& path) { window.OpenWhenFree(QFile::encodeName(path).toStdString()); });

    // Queued before the start-up, so that it comes before any file handed over meanwhile; it waits
    // for the About window to close and the main window to show.
    if (file)
        window.OpenWhenFree(QFile::encodeName(*file).toStdString());
    window.StartUp();
    return QApplication::exec();
}
