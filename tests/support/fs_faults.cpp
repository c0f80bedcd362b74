#include "fs_faults.h"

#include <cerrno>
#include <csignal>
#include <grp.h>
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

// Runs body in a forked child once prepare (which returns an empty text on success) has set the
// child up; see RunWithFileSizeLimit for how the result comes back.
std::string RunInChild(const std::function<std::string()>& prepare, const std::function<std::string()>& body)
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
        std::string report = prepare();
        if (report.empty())
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

}  // namespace

std::string RunWithFileSizeLimit(std::uint64_t limitBytes, const std::function<std::string()>& body,
                                 bool ignoreSignal)
{
    const auto limit = [=]() -> std::string {
        const rlimit size{static_cast<rlim_t>(limitBytes), static_cast<rlim_t>(limitBytes)};
        if (::setrlimit(RLIMIT_FSIZE, &size) != 0 ||
            (ignoreSignal && std::signal(SIGXFSZ, SIG_IGN) == SIG_ERR))
            return "cannot limit the file size";
        return {};
    };
    return RunInChild(limit, body);
}

std::string RunAsUser(unsigned uid, const std::vector<unsigned>& groups,
                      const std::function<std::string()>& body)
{
    const auto become = [&]() -> std::string {
        std::vector<gid_t> ids(groups.begin(), groups.end());
        if (ids.empty() || ::setgroups(ids.size(), ids.data()) != 0 || ::setgid(ids.front()) != 0 ||
            ::setuid(uid) != 0)
            return "cannot become uid " + std::to_string(uid);
        return {};
    };
    return RunInChild(become, body);
}

}  // namespace skerrow::test
