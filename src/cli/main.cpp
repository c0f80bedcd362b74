#include "cli/commands.h"
#include "voicefile/writer.h"

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
    // Whole lines in big writes: find and dupes can print hundreds of thousands of them.
    static char outBuffer[1 << 16];
    std::setvbuf(stdout, outBuffer, _IOFBF, sizeof outBuffer);

    skerrow::RemoveUnfinishedFileOnTermination();

    skerrow::Console console;
    console.outIsTerminal = ::isatty(STDOUT_FILENO) == 1;
    console.errIsTerminal = ::isatty(STDERR_FILENO) == 1;
    console.charset = skerrow::LocaleCharset();
    return skerrow::RunCli(std::vector<std::string>(argv + 1, argv + argc), console);
}
