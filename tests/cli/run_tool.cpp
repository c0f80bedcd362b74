#include "run_tool.h"

#include "voice_file_builder.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <grp.h>
#include <pty.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace skerrow::test {

namespace {

std::string ReadAll(int fd)
{
    std::string bytes;
    char buffer[4096];
    while (true) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return bytes;  // a terminal reports the closed other end as an error
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

}  // namespace

ToolRun RunTool(const std::vector<std::string>& args, const std::string& workDir, bool errTerminal)
{
    ToolOptions options;
    options.workDir = workDir;
    options.errTerminal = errTerminal;
    return RunTool(args, options);
}

ToolRun RunTool(const std::vector<std::string>& args, const ToolOptions& options)
{
    const TempDir capture;
    const std::string outPath = capture.file("out");
    const std::string errPath = capture.file("err");
    const bool terminal = options.errTerminal || options.outTerminal;
    int master = -1;
    int slave = -1;
    if (terminal) {
        if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
            throw std::runtime_error("cannot open a terminal for the tool");
        termios mode{};
        ::tcgetattr(slave, &mode);
        ::cfmakeraw(&mode);
        ::tcsetattr(slave, TCSANOW, &mode);
    }

    int errPipe[2] = {-1, -1};
    if (options.whileErrStalls &&
        (::pipe2(errPipe, O_CLOEXEC) != 0 || ::fcntl(errPipe[0], F_SETPIPE_SZ, 4096) < 0))
        throw std::runtime_error("cannot make a pipe for the tool");

    std::vector<std::string> argvText{SKERROW_CLI_PATH};
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argvText)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("cannot start the tool");
    if (pid == 0) {
        const int in = ::open("/dev/null", O_RDONLY);
        const int out = options.outTerminal ? slave
                        : options.outFile.empty()
                            ? ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600)
                            : ::open(options.outFile.c_str(), O_WRONLY);
        const int err = options.errTerminal ? slave
                        : options.whileErrStalls
                            ? errPipe[1]
                            : ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0)
            ::_exit(127);
        if (master >= 0)
            ::close(master);
        if (!options.workDir.empty() && ::chdir(options.workDir.c_str()) != 0)
            ::_exit(127);
        if (!options.locale.empty())
            ::setenv("LC_ALL", options.locale.c_str(), 1);
        if (options.prepare && !options.prepare())
            ::_exit(CannotPrepare);
        const rlimit files{static_cast<rlim_t>(options.fileLimit), static_cast<rlim_t>(options.fileLimit)};
        if (options.fileLimit > 0 && ::setrlimit(RLIMIT_NOFILE, &files) != 0)
            ::_exit(CannotPrepare);
        if (options.unprivileged &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(CannotDropRights);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }

    ToolRun run;
    if (options.whileErrStalls) {
        ::close(errPipe[1]);
        const int size = ::fcntl(errPipe[0], F_GETPIPE_SZ);
        int queued = 0;
        const auto running = [pid] {
            siginfo_t info{};
            return ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
                   info.si_pid == 0;
        };
        // A message that does not fit whole waits whole, so the pipe is full once no more than a
        // message's room is left. The time limit turns a tool that never stalls into a failure,
        // not a hang.
        for (int waited = 0; waited < 10000 && running(); ++waited) {
            if (::ioctl(errPipe[0], FIONREAD, &queued) != 0 || queued > size - 256)
                break;
            ::usleep(1000);
        }
        options.whileErrStalls();
        run.err = ReadAll(errPipe[0]);
        ::close(errPipe[0]);
    }
    if (terminal) {
        ::close(slave);
        const std::string shown = ReadAll(master);
        ::close(master);
        (options.outTerminal ? run.out : run.err) = shown;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (!options.outTerminal && options.outFile.empty())
        run.out = ReadBytes(outPath);
    if (!options.errTerminal && !options.whileErrStalls)
        run.err = ReadBytes(errPath);
    return run;
}

std::string VoiceFileWithBlocks(int slotCount, const std::vector<std::string>& names,
                                const std::vector<std::string>& blocks, std::uint8_t fileId)
{
    VoiceFileSpec spec;
    spec.slotCount = slotCount;
    spec.names = names;
    spec.fileId = fileId;
    spec.blocks = 0;
    std::string bytes = BuildVoiceFile(spec);
    for (const std::string& block : blocks)
        bytes += block;
    return bytes;
}

}  // namespace skerrow::test
