// Start-up of the program to its first shown window, and its resident memory then, against a
// minimal Qt Widgets program that shows one window (startup/minimal_window.cpp). Needs an X
// display of its own (bench/run-all starts Xvfb): each launch waits for the first window to be
// mapped and then for the first drawing on the screen after it (X DAMAGE on the root window), so
// "shown" means drawn, not merely created. The resident memory is read 300 ms later, when the
// program sits idle with its window up.

#include <benchmark/benchmark.h>

#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <sys/select.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

struct Launch {
    double mapSeconds = 0;
    double shownSeconds = 0;
    double rssKb = 0;
};

double ProcKb(pid_t pid, const std::string& field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0)
            return std::stod(line.substr(field.size() + 1));
    }
    return 0;
}

bool NextEvent(Display* display, XEvent& event, Clock::time_point deadline)
{
    while (!XPending(display)) {
        const auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero())
            return false;
        const auto us = std::chrono::duration_cast<std::chrono::microseconds>(left).count();
        timeval wait{static_cast<time_t>(us / 1000000), static_cast<suseconds_t>(us % 1000000)};
        fd_set fds;
        FD_ZERO(&fds);
        FD_SET(ConnectionNumber(display), &fds);
        ::select(ConnectionNumber(display) + 1, &fds, nullptr, nullptr, &wait);
    }
    XNextEvent(display, &event);
    return true;
}

std::optional<Launch> LaunchOnce(Display* display, int damageEvent, const char* program, std::string& error)
{
    const ::Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    const Damage damage = XDamageCreate(display, root, XDamageReportRawRectangles);
    XSync(display, True);

    const auto start = Clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        ::execl(program, program, static_cast<char*>(nullptr));
        ::_exit(127);
    }

    Launch launch;
    bool mapped = false;
    bool shown = false;
    const auto deadline = start + std::chrono::seconds(20);
    XEvent event;
    while (!shown && NextEvent(display, event, deadline)) {
        if (event.type == MapNotify && !event.xmap.override_redirect && !mapped) {
            mapped = true;
            launch.mapSeconds = std::chrono::duration<double>(Clock::now() - start).count();
        } else if (event.type == damageEvent + XDamageNotify && mapped) {
            shown = true;
            launch.shownSeconds = std::chrono::duration<double>(Clock::now() - start).count();
        }
    }
    if (shown) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        launch.rssKb = ProcKb(child, "VmRSS");
    } else {
        error = mapped ? "the window was mapped but never drawn" : "no window was shown within 20 s";
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    XDamageDestroy(display, damage);
    XSelectInput(display, root, 0);
    XSync(display, True);
    if (!shown)
        return std::nullopt;
    return launch;
}

void Startup(benchmark::State& s, const char* program)
{
    Display* display = XOpenDisplay(nullptr);
    int damageEvent = 0;
    int damageError = 0;
    if (!display || !XDamageQueryExtension(display, &damageEvent, &damageError)) {
        s.SkipWithError("needs an X display with the DAMAGE extension (bench/run-all starts Xvfb)");
        if (display)
            XCloseDisplay(display);
        return;
    }
    std::string error;
    LaunchOnce(display, damageEvent, program, error);  // warms the file cache; not counted
    double mapSum = 0;
    double rssSum = 0;
    for (auto _ : s) {
        const auto launch = LaunchOnce(display, damageEvent, program, error);
        if (!launch) {
            s.SkipWithError(error.c_str());
            break;
        }
        s.SetIterationTime(launch->shownSeconds);
        mapSum += launch->mapSeconds;
        rssSum += launch->rssKb;
    }
    s.counters["mapped_ms"] = benchmark::Counter(mapSum * 1000, benchmark::Counter::kAvgIterations);
    s.counters["rss_kb"] = benchmark::Counter(rssSum, benchmark::Counter::kAvgIterations);
    XCloseDisplay(display);
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    for (auto* b : {benchmark::RegisterBenchmark("startup_skerrow", Startup, SKERROW_PROGRAM),
                    benchmark::RegisterBenchmark("startup_minimal_qt", Startup, MINIMAL_PROGRAM)})
        b->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(10)
            ->Repetitions(3)
            ->ReportAggregatesOnly(true);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
