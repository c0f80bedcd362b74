#include "os/arguments.h"

#include "os/windows_text.h"

#include <windows.h>

#include <shellapi.h>

namespace skerrow::os {

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; wide && i < count; ++i) {
        std::string argument;
        // A lone surrogate has no UTF-8 spelling: the runtime's own spelling is the best left.
        if (!ToUtf8(wide[i], argument) && i < argc)
            argument = argv[i];
        arguments.push_back(std::move(argument));
    }
    if (!wide)
        arguments.assign(argv + (argc > 0 ? 1 : 0), argv + argc);
    ::LocalFree(wide);
    return arguments;
}

}  // namespace skerrow::os
