// The Find voices window: filtering 100,000 voices as the user types (the model and its view,
// shown offscreen), scanning 20,000 files into the window, and the memory a voice costs, each
// with its baseline measured in the same run.

#include "bench_support.h"
#include "paint_counter.h"

#include "collection/voice_index.h"
#include "ui/find_window.h"
#include "ui/found_voices_model.h"
#include "voice_file_builder.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHeaderView>
#include <QTableView>
#include <QTimer>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <random>

namespace skerrow::bench {
namespace {

constexpr int AvcFiles = 782;  // 100,096 voices
constexpr int TreeFiles = 20000;
constexpr double DuplicateShare = 0.3;
constexpr int PopularVoices = 4000;
const char NameBytes[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 \xe4\xf6";
const char Typed[] = "aeiouAEIOU0123456789";

std::string RandomName(std::mt19937& rng)
{
    std::uniform_int_distribution<std::size_t> pick(0, sizeof(NameBytes) - 2);
    std::string name(10, ' ');
    for (char& c : name)
        c = NameBytes[pick(rng)];
    return name;
}

// The files of a library of 782 .avc files, fed to the index in batches as a scan would.
std::vector<std::vector<FoundFile>> AvcBatches()
{
    std::mt19937 rng(29);
    std::vector<std::vector<FoundFile>> batches(1);
    for (int f = 0; f < AvcFiles; ++f) {
        FoundFile file{"/home/user/voices/set" + std::to_string(f / 100) + "/disk" + std::to_string(f) +
                           ".avc",
                       128,
                       {}};
        for (int k = 0; k < 128; ++k)
            file.names.push_back(RandomName(rng));
        if (batches.back().size() == 50)
            batches.emplace_back();
        batches.back().push_back(std::move(file));
    }
    return batches;
}

long ResidentKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return 0;
}

// What 100,000 voices cost in the index, the model and its view, beyond their names and paths:
// taken first, before other benchmarks leave freed memory behind to be reused.
void memory_100k_voices(benchmark::State& s)
{
    for (auto _ : s) {
        malloc_trim(0);
        const long rssBefore = ResidentKb();
        const auto heapBefore = static_cast<double>(mallinfo2().uordblks);
        // The found files come and go as a scan's batches do: what stays is the index's.
        std::size_t nameAndPathBytes = 0;
        auto index = std::make_unique<VoiceIndex>();
        auto model = std::make_unique<FoundVoicesModel>(*index, "mark");
        QTableView view;
        view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        view.setModel(model.get());
        view.show();
        for (auto& batch : AvcBatches()) {
            for (const FoundFile& file : batch) {
                nameAndPathBytes += file.path.size() + 1;
                for (const std::string& name : file.names)
                    nameAndPathBytes += name.size();
            }
            index->Add(std::move(batch));
            model->Refilter("", false);
        }
        QCoreApplication::processEvents();
        malloc_trim(0);
        const double heap = static_cast<double>(mallinfo2().uordblks) - heapBefore;
        const auto rss = static_cast<double>(ResidentKb() - rssBefore) * 1024;
        const auto voices = static_cast<double>(index->VoiceCount());
        const auto own = static_cast<double>(nameAndPathBytes);
        s.counters["voices"] = voices;
        s.counters["rss_delta_kb"] = rss / 1024;
        s.counters["heap_delta_kb"] = heap / 1024;
        s.counters["bytes_per_voice"] = (heap - own) / voices;
        s.counters["rss_bytes_per_voice"] = (rss - own) / voices;
    }
}

// One index of 100,096 voices with its model in a shown view, for the filter benchmarks.
struct FilterView {
    VoiceIndex index;
    FoundVoicesModel model{index, "mark"};
    QTableView view;
    PaintCounter paints;
    std::vector<std::string> names;  // the same names, for the baseline

    FilterView()
    {
        for (auto& batch : AvcBatches()) {
            for (const FoundFile& file : batch)
                names.insert(names.end(), file.names.begin(), file.names.end());
            index.Add(std::move(batch));
        }
        view.verticalHeader()->hide();
        view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        view.setModel(&model);
        view.resize(640, 400);
        view.viewport()->installEventFilter(&paints);
        view.show();
        model.Refilter("", false);
        Settle();
    }

    void Settle()
    {
        const int before = paints.paints;
        for (int round = 0; round < 10 && paints.paints == before; ++round)
            QCoreApplication::processEvents();
    }
};

FilterView* g_filter = nullptr;

// One typed character, from the list of all voices to those that contain it, repainted.
void filter_100k_one_char_qt_view(benchmark::State& s)
{
    FilterView& f = *g_filter;
    std::size_t i = 0;
    for (auto _ : s) {
        s.PauseTiming();
        f.model.Refilter("", false);
        f.Settle();
        s.ResumeTiming();
        f.model.Refilter(std::string(1, Typed[i++ % (sizeof(Typed) - 1)]), false);
        f.Settle();
    }
    s.counters["rows_shown"] = f.model.rowCount();
}

// Baseline: std::string::find over the same names, keeping the numbers of those that match.
void filter_100k_string_find(benchmark::State& s)
{
    const std::vector<std::string>& names = g_filter->names;
    std::size_t i = 0;
    for (auto _ : s) {
        const char typed = Typed[i++ % (sizeof(Typed) - 1)];
        std::vector<std::uint32_t> shown;
        for (std::uint32_t k = 0; k < names.size(); ++k)
            if (names[k].find(typed) != std::string::npos)
                shown.push_back(k);
        benchmark::DoNotOptimize(shown.data());
    }
}

std::string RandomBlock(std::mt19937& rng)
{
    std::string block(3072, '\0');
    for (std::size_t k = 0; k < block.size(); k += 4) {
        const std::uint32_t word = rng();
        std::memcpy(block.data() + k, &word, 4);
    }
    return block;
}

// A library of 20,000 voice files as a collection holds them: 60 % single voices, 35 % banks,
// 5 % all-voice files, a hundred to a folder, about a third of the voices saved more than once.
const std::string& Tree()
{
    static const std::string root = [] {
        const std::string top = ScratchDir() + "/library";
        std::mt19937 rng(20000);
        std::uniform_real_distribution<double> share(0, 1);
        std::vector<std::string> popular;
        for (int k = 0; k < PopularVoices; ++k)
            popular.push_back(RandomBlock(rng));
        std::uniform_int_distribution<std::size_t> pickPopular(0, popular.size() - 1);
        for (int i = 0; i < TreeFiles; ++i) {
            const std::string folder =
                top + "/set" + std::to_string(i / 1000) + "/disk" + std::to_string(i / 100);
            if (i % 100 == 0)
                std::filesystem::create_directories(folder);
            const double x = share(rng);
            const int count = x < 0.60 ? 1 : x < 0.95 ? 16 : 128;
            std::vector<std::string> names;
            for (int k = 0; k < count; ++k)
                names.push_back(RandomName(rng));
            const char* ext = count == 1 ? ".1vc" : count == 16 ? ".1bk" : ".avc";
            std::string bytes = test::BuildVoiceFile({.slotCount = count, .names = names, .blocks = 0});
            for (int k = 0; k < count; ++k)
                bytes += share(rng) < DuplicateShare ? popular[pickPopular(rng)] : RandomBlock(rng);
            PutFile(folder + "/v" + std::to_string(i) + ext, bytes);
        }
        return top;
    }();
    return root;
}

// Runs the event loop until done() holds, watching how long the loop went without turning.
double RunUntil(const std::function<bool()>& done)
{
    QEventLoop loop;
    QTimer tick;
    QElapsedTimer since;
    qint64 longest = 0;
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longest = std::max(longest, since.restart());
        if (done())
            loop.quit();
    });
    since.start();
    tick.start();
    loop.exec();
    return static_cast<double>(longest);
}

void ScanIntoWindow(benchmark::State& s, bool duplicates)
{
    FindVoicesWindow window;
    window.show();
    double stall = 0;
    for (auto _ : s) {
        window.Scan(Tree());
        stall = std::max(stall, RunUntil([&] { return duplicates ? !window.Scanning() : window.Listed(); }));
    }
    s.counters["max_stall_ms"] = stall;
    s.counters["voices"] = static_cast<double>(window.Index().VoiceCount());
    if (window.Index().FileCount() != TreeFiles)
        s.SkipWithError("the scan did not find every file");
    window.close();
    RunUntil([&] { return !window.Scanning(); });
}

void scan_20k_window_listed(benchmark::State& s)
{
    ScanIntoWindow(s, false);
}

void scan_20k_window_duplicates(benchmark::State& s)
{
    ScanIntoWindow(s, true);
}

void RunCli(benchmark::State& s, const char* command)
{
    const std::string line = std::string(SKERROW_CLI) + " " + command + " '" + Tree() + "' > /dev/null";
    for (auto _ : s) {
        if (std::system(line.c_str()) != 0)
            s.SkipWithError("skerrow-cli failed");
    }
}

void scan_20k_cli_find(benchmark::State& s)
{
    RunCli(s, "find");
}

void scan_20k_cli_dupes(benchmark::State& s)
{
    RunCli(s, "dupes");
}

}  // namespace
}  // namespace skerrow::bench

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    using namespace skerrow::bench;
    benchmark::RegisterBenchmark("find_memory_100k_voices", memory_100k_voices)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    auto filter = std::make_unique<FilterView>();
    g_filter = filter.get();
    Tree();
    for (auto* b :
         {benchmark::RegisterBenchmark("find_filter_100k_one_char_qt_view", filter_100k_one_char_qt_view),
          benchmark::RegisterBenchmark("find_filter_100k_string_find", filter_100k_string_find)})
        b->UseRealTime()->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
    // The file cache is warm for both sides: each runs once untimed first.
    for (auto* b :
         {benchmark::RegisterBenchmark("find_scan_20k_cli_find", scan_20k_cli_find),
          benchmark::RegisterBenchmark("find_scan_20k_window_listed", scan_20k_window_listed),
          benchmark::RegisterBenchmark("find_scan_20k_cli_dupes", scan_20k_cli_dupes),
          benchmark::RegisterBenchmark("find_scan_20k_window_duplicates", scan_20k_window_duplicates)})
        b->UseRealTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3)
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_filter = nullptr;
    return 0;
}
