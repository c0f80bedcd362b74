#include "cli/commands.h"
#include "os/arguments.h"
#include "os/os.h"

#include <cstdio>

int main(int argc, char** argv)
{
    skerrow::os::RemoveOnTermination();
    // A reader that went away is a failed write to tell (build's OUTPUT is in place by then),
    // not a reason to die unheard. The console is set up before anything is decided from it.
    skerrow::os::PrepareConsole();

    skerrow::Console console;
    console.outIsTerminal = skerrow::os::IsTerminal(skerrow::os::Stream::Output);
    console.errIsTerminal = skerrow::os::IsTerminal(skerrow::os::Stream::Error);
    console.charset = skerrow::LocaleCharset();

    // Whole lines in big writes: find and dupes can print hundreds of thousands of them. On a
    // terminal each line as it comes, so that results and messages show in walk order.
    static char outBuffer[1 << 16];
    std::setvbuf(stdout, outBuffer, console.outIsTerminal ? _IOLBF : _IOFBF, sizeof outBuffer);
    // Each message is written whole (Write flushes standard error): a console that is handed a
    // character's bytes one by one shows them as several characters.
    static char errBuffer[1 << 16];
    std::setvbuf(stderr, errBuffer, _IOFBF, sizeof errBuffer);

    return skerrow::RunCli(skerrow::os::ProgramArguments(argc, argv), console);
}
