// Skerrow: a librarian for synthesizer voice files. Wires the library state, the Qt platform
// services and the main window together, and runs the event loop.
//
// The command line holds any number of FILEs, opened in the order given after the start-up as
// File > Open would open them, so the last one stays the source; when the window program already
// runs for this user on this display, they go to it and this one ends.

#include "core/library_state.h"
#include "os/os.h"
#include "ui/main_window.h"
#include "ui/qt_platform.h"
#include "ui/single_instance.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#ifndef SKERROW_VERSION
#error "SKERROW_VERSION must come from the project version"
#endif

namespace {

constexpr const char* Usage =
    "usage: skerrow [FILE...]\n"
    "Opens each VL1 voice file FILE in turn, the last one staying the source (in the Skerrow\n"
    "window already open, if any).\n"
    "  --help     show this text and end\n"
    "  --version  show the version and end\n"
    "  --         what follows is a FILE, even if it starts with '-'\n";

// The options Qt takes for itself (either with one dash or two), and whether each takes a value.
struct QtOption {
    std::string_view name;
    bool takesValue;
};
constexpr QtOption QtOptions[] = {
    {"platform", true},
    {"platformpluginpath", true},
    {"platformtheme", true},
    {"plugin", true},
    {"qwindowgeometry", true},
    {"qwindowicon", true},
    {"qwindowtitle", true},
    {"session", true},
    {"display", true},
    {"geometry", true},
    {"name", true},
    {"title", true},
    {"visual", true},
    {"style", true},
    {"stylesheet", true},
    {"qmljsdebugger", true},
    {"reverse", false},
    {"sync", false},
    {"nograb", false},
    {"dograb", false},
    {"widgetcount", false},
};

const QtOption* FindQtOption(std::string_view argument)
{
    argument.remove_prefix(argument.starts_with("--") ? 2 : 1);
    const std::string_view name = argument.substr(0, argument.find('='));
    for (const QtOption& option : QtOptions) {
        if (option.name == name && (option.takesValue || name.size() == argument.size()))
            return &option;
    }
    return nullptr;
}

struct CommandLine {
    std::vector<std::string> files;  // the bytes as given, any byte allowed
    std::vector<char*> qtArguments;  // the program's name and Qt's own options, for QApplication
    std::optional<int> exitCode;     // set when the program ends without a window
};

int UsageError(const char* problem, const char* argument)
{
    std::fprintf(stderr, "skerrow: %s%s\n%s", problem, argument, Usage);
    return 2;
}

// Read before Qt sees anything, so that it needs no display and loses no byte of a name; Qt is
// given its own options from before "--" and nothing of what follows.
CommandLine ReadCommandLine(int argc, char** argv)
{
    CommandLine line;
    line.qtArguments.push_back(argv[0]);
    bool optionsEnd = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (optionsEnd || !argument.starts_with('-') || argument == "-") {
            line.files.emplace_back(argument);
        } else if (argument == "--") {
            optionsEnd = true;
        } else if (argument == "--help" || argument == "-h") {
            std::fputs(Usage, stdout);
            line.exitCode = 0;
            return line;
        } else if (argument == "--version") {
            std::puts("skerrow " SKERROW_VERSION);
            line.exitCode = 0;
            return line;
        } else if (const QtOption* option = FindQtOption(argument)) {
            line.qtArguments.push_back(argv[i]);
            if (option->takesValue && argument.find('=') == std::string_view::npos) {
                if (++i == argc) {
                    line.exitCode = UsageError("missing value for ", argv[i - 1]);
                    return line;
                }
                line.qtArguments.push_back(argv[i]);
            }
        } else {
            line.exitCode = UsageError("unknown option ", argv[i]);
            return line;
        }
    }
    line.qtArguments.push_back(nullptr);
    return line;
}

// The running program may have another working folder. Bytes stay bytes: no text conversion.
std::string Absolute(const std::string& file)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(file, error);
    return error ? file : absolute.string();
}

QtMessageHandler qtMessages = nullptr;

// Qt aborts when no platform can show a window, and its words blame the installation; where there
// is simply no display (a terminal, a remote shell), the user reads that and gets a plain failure.
void NoDisplayIsAFailure(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtFatalMsg) {
        std::fputs("skerrow: no display could be opened to show the window on\n", stderr);
        std::fflush(stderr);
        std::_Exit(1);
    }
    qtMessages(type, context, message);
}

}  // namespace

int main(int argc, char** argv)
{
    CommandLine line = ReadCommandLine(argc, argv);
    if (line.exitCode)
        return *line.exitCode;
    std::vector<std::string> files;
    for (const std::string& file : line.files)
        files.push_back(Absolute(file));
    const char* token = std::getenv("XDG_ACTIVATION_TOKEN");

    // Before anything of Qt's can read a setting.
    skerrow::KeepNoSettings();

    skerrow::os::RemoveOnTermination();
    int qtArgc = static_cast<int>(line.qtArguments.size()) - 1;
    qtMessages = qInstallMessageHandler(NoDisplayIsAFailure);
    QApplication app(qtArgc, line.qtArguments.data());
    qInstallMessageHandler(qtMessages);
    QApplication::setApplicationName(QStringLiteral("Skerrow"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/skerrow/app_icon.svg")));
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.skerrow.Skerrow"));

    skerrow::SingleInstance instance;
    instance.LockStartUp();
    if (!files.empty() && instance.HandOver(files, token ? token : ""))
        return 0;

    skerrow::LibraryState state;
    skerrow::QtPlatform platform;
    skerrow::MainWindow window(state, platform);
    platform.SetWindow(&window);
    // Takes the files handed over from now on, unless another program already does; queued
    // before the start-up, so that this launch's own files come first, in the order given, and
    // wait for the About window to close and the main window to show.
    for (const std::string& file : files)
        window.OpenWhenFree(file);
    instance.Listen(
        [&window](const std::vector<std::string>& paths, const std::string& activation) {
            for (const std::string& path : paths)
                window.OpenWhenFree(path);
            skerrow::BringToFront(window, activation);
        },
        [&window] { return !window.Ending(); });

    window.StartUp();
    return QApplication::exec();
}
