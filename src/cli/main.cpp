#include "cli/commands.h"
#include "voicefile/writer.h"

#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    // Whole lines in big writes: find and dupes can print hundreds of thousands of them.
    static char outBuffer[1 << 16];
    std::setvbuf(stdout, outBuffer, _IOFBF, sizeof outBuffer);

    skerrow::os::RemoveOnTermination();

    // A walk keeps one descriptor per folder on its path: as deep as the system lets it open.
    struct rlimit files {};
    if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &files);
    }

    skerrow::Console console;
    console.outIsTerminal = ::isatty(STDOUT_FILENO) == 1;
    console.errIsTerminal = ::isatty(STDERR_FILENO) == 1;
    console.charset = skerrow::LocaleCharset();
    return skerrow::RunCli(std::vector<std::string>(argv + 1, argv + argc), console);
}
