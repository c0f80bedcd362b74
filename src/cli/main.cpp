#include "cli/commands.h"
#include "voicefile/writer.h"

#include <csignal>
#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
    skerrow::Console console;
    console.outIsTerminal = ::isatty(STDOUT_FILENO) == 1;
    console.errIsTerminal = ::isatty(STDERR_FILENO) == 1;
    console.charset = skerrow::LocaleCharset();

    // Whole lines in big writes: find and dupes can print hundreds of thousands of them. On a
    // terminal each line as it comes, so that results and messages show in walk order.
    static char outBuffer[1 << 16];
    std::setvbuf(stdout, outBuffer, console.outIsTerminal ? _IOLBF : _IOFBF, sizeof outBuffer);

    skerrow::RemoveUnfinishedFileOnTermination();
    // A reader that went away is a failed write to tell (build's OUTPUT is in place by then),
    // not a reason to die unheard.
    std::signal(SIGPIPE, SIG_IGN);

    return skerrow::RunCli(std::vector<std::string>(argv + 1, argv + argc), console);
}
