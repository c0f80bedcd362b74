#include "fs_faults.h"

#include <cerrno>
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace skerrow::test {

namespace {

void WriteAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += static_cast<std::size_t>(n);
    }
}

}  // namespace

std::string RunWithFileSizeLimit(std::uint64_t limitBytes, const std::function<std::string()>& body)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return "cannot create a pipe";
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(channel[0]);
        ::close(channel[1]);
        return "cannot fork";
    }
    if (child == 0) {
        ::close(channel[0]);
        const rlimit limit{static_cast<rlim_t>(limitBytes), static_cast<rlim_t>(limitBytes)};
        std::string report;
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0 || std::signal(SIGXFSZ, SIG_IGN) == SIG_ERR)
            report = "cannot limit the file size";
        else
            report = body();
        WriteAll(channel[1], report);
        ::close(channel[1]);
        // No exit handlers: they belong to the parent (test framework, leak checks).
        ::_exit(0);
    }

    ::close(channel[1]);
    std::string report;
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(channel[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        report.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(channel[0]);

    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status))
        return "child ended by signal " + std::to_string(WTERMSIG(status)) + " after: " + report;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "child failed after: " + report;
    return report;
}

}  // namespace skerrow::test
