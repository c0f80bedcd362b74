// The logic against the physical work it cannot avoid, measured side by side in one run:
//   open_list_128 / read_head_3072        opening and listing a 128-voice file vs reading its head
//   write_128_<where> / copy_129_<where>  writing a 128-voice .avc from 128 different files vs
//                                         copying the same 129 blocks with plain reads and writes
//                                         (copy_129_replace_<where>: the same through a file
//                                         beside the target, renamed over it)
// and, against a 16 ms frame, the worst-case sort and the copy of 128 voices through the
// in-memory list views (ui_bench does the same through the window's Qt list views).
// <where>: disk_fsync (both flush to disk), disk (neither flushes the file), memory (/dev/shm).

#include "bench_support.h"

#include "core/memory_librarian.h"
#include "editing/copy_voices.h"
#include "editing/open_source.h"
#include "editing/save_as.h"
#include "editing/sort_entries.h"
#include "voice_file_builder.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace skerrow::bench {
namespace {

constexpr std::size_t Block = 3072;
constexpr int Voices = 128;

struct TestFiles {
    std::string allVoices;           // a 128-voice .avc, names in descending order
    std::vector<std::string> banks;  // 128 different .1bk files
    std::string target;
};

std::vector<std::string> DescendingNames()
{
    std::vector<std::string> names;
    for (int i = Voices - 1; i >= 0; --i)
        names.push_back("Voice " + std::to_string(1000 + i));
    return names;
}

// The files of one folder, made once: on disk (base empty) or in memory ("/dev/shm").
const TestFiles& FilesIn(const std::string& base)
{
    static std::map<std::string, TestFiles> made;
    auto [at, fresh] = made.try_emplace(base);
    TestFiles& files = at->second;
    if (fresh) {
        const std::string& folder = ScratchDir(base);
        files.allVoices = folder + "/ALL.AVC";
        PutFile(files.allVoices,
                test::BuildVoiceFile({.slotCount = 128, .names = DescendingNames(), .fileId = 1}));
        for (int i = 0; i < Voices; ++i) {
            const std::string number = std::to_string(i);
            files.banks.push_back(folder + "/BANK" + number + ".1BK");
            std::string stem = "B";  // appended, not joined: GCC 12 warns wrongly about the join
            stem += number;
            stem += '_';
            PutFile(files.banks.back(), test::BuildVoiceFile({.slotCount = 16,
                                                              .names = test::NumberedNames(16, stem),
                                                              .fileId = static_cast<std::uint8_t>(i + 2)}));
        }
        files.target = folder + "/OUT.AVC";
    }
    return files;
}

using Library = MemoryLibrarian<QuietPlatform>;

// ---- Opening ----

void open_list_128(benchmark::State& s)
{
    const TestFiles& files = FilesIn("");
    Library l;
    for (auto _ : s)
        benchmark::DoNotOptimize(LoadSourceFile(l.lib, files.allVoices));
    if (l.List1.Count() != Voices)
        s.SkipWithError("the file did not list 128 voices");
}

void read_head_3072(benchmark::State& s)
{
    const TestFiles& files = FilesIn("");
    char head[Block];
    for (auto _ : s) {
        const int fd = ::open(files.allVoices.c_str(), O_RDONLY | O_CLOEXEC);
        std::size_t got = 0;
        while (fd >= 0 && got < Block) {
            const ssize_t n = ::read(fd, head + got, Block - got);
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        ::close(fd);
        if (got != Block)
            s.SkipWithError("short head");
        benchmark::DoNotOptimize(head);
    }
}

// ---- Writing ----

enum class Where { DiskFsync, Disk, Memory };

std::string BaseOf(Where where)
{
    return where == Where::Memory ? "/dev/shm" : "";
}

void write_128(benchmark::State& s, Where where)
{
    const TestFiles& files = FilesIn(BaseOf(where));
    Library l;
    LoadSourceFile(l.lib, files.allVoices);
    for (int i = 0; i < Voices; ++i) {
        l.List2.AddItem("Voice " + std::to_string(i));
        l.state.DestEntries[static_cast<std::size_t>(i)] = {files.banks[static_cast<std::size_t>(i)],
                                                            static_cast<std::int16_t>(i % 16 + 1)};
    }
    l.state.SaveSlots = 128;
    os::ReplaceHooks io;
    if (where == Where::Disk)
        io.flush = [] { return -1; };
    for (auto _ : s) {
        if (!WriteDestinationFile(l.lib, files.target, io))
            s.SkipWithError("the save failed");
    }
}

bool ReadAt(const std::string& path, std::size_t offset, char* block)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::pread(fd, block, Block, static_cast<off_t>(offset)) == static_cast<ssize_t>(Block);
    ::close(fd);
    return ok;
}

// The same 129 blocks (the open file's head and one block of each bank) read and written with
// plain calls. Straight into the target, or, with replace, the way a save that survives a crash
// must: into a file beside it, flushed, renamed over the target, and the folder flushed.
void copy_129(benchmark::State& s, Where where, bool replace)
{
    const TestFiles& files = FilesIn(BaseOf(where));
    const std::string written = replace ? files.target + ".new" : files.target;
    const std::string folder = files.target.substr(0, files.target.rfind('/'));
    char block[Block];
    for (auto _ : s) {
        const int out = ::open(written.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        bool ok = out >= 0 && ReadAt(files.allVoices, 0, block) &&
                  ::write(out, block, Block) == static_cast<ssize_t>(Block);
        for (int i = 0; ok && i < Voices; ++i)
            ok = ReadAt(files.banks[static_cast<std::size_t>(i)],
                        Block * static_cast<std::size_t>(i % 16 + 1), block) &&
                 ::write(out, block, Block) == static_cast<ssize_t>(Block);
        if (where == Where::DiskFsync)
            ok = ok && ::fsync(out) == 0;
        ok = ::close(out) == 0 && ok;
        if (replace) {
            ok = ok && ::rename(written.c_str(), files.target.c_str()) == 0;
            const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (where == Where::DiskFsync)
                ok = ok && ::fsync(dir) == 0;
            ::close(dir);
        }
        if (!ok)
            s.SkipWithError("the copy failed");
    }
}

// ---- Editing through the in-memory list views ----

void FillSource(Library& l)
{
    LoadSourceFile(l.lib, FilesIn("").allVoices);
}

void EmptyDestination(Library& l)
{
    l.List2.Clear();
    for (auto& entry : l.state.DestEntries)
        entry = {};
}

// The copy button with Shift held: every voice of the source.
void CopyAll(Library& l)
{
    l.state.ShiftHeld = ShiftMask;
    CopySelectedVoices(l.lib);
}

void copy_128_memory_views(benchmark::State& s)
{
    Library l;
    FillSource(l);
    for (auto _ : s) {
        s.PauseTiming();
        EmptyDestination(l);
        s.ResumeTiming();
        CopyAll(l);
    }
    if (l.List2.Count() != Voices)
        s.SkipWithError("not all voices were copied");
}

// The names arrive in descending order: every step of the insertion sort exchanges all the way.
void sort_128_worst_memory_views(benchmark::State& s)
{
    Library l;
    FillSource(l);
    for (auto _ : s) {
        s.PauseTiming();
        EmptyDestination(l);
        CopyAll(l);
        s.ResumeTiming();
        SortDestination(l.lib);
    }
    if (l.List2.Text(0) != "Voice 1000")
        s.SkipWithError("the list was not sorted");
}

void Register()
{
    auto each = [](benchmark::internal::Benchmark* b) {
        b->UseRealTime()->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
    };
    each(benchmark::RegisterBenchmark("open_list_128", open_list_128));
    each(benchmark::RegisterBenchmark("read_head_3072", read_head_3072));
    for (const auto& [name, where] : {std::pair{"disk_fsync", Where::DiskFsync},
                                      std::pair{"disk", Where::Disk}, std::pair{"memory", Where::Memory}}) {
        each(benchmark::RegisterBenchmark((std::string("write_128_") + name).c_str(), write_128, where));
        each(benchmark::RegisterBenchmark((std::string("copy_129_") + name).c_str(), copy_129, where, false));
        each(benchmark::RegisterBenchmark((std::string("copy_129_replace_") + name).c_str(), copy_129, where,
                                          true));
    }
    each(benchmark::RegisterBenchmark("copy_128_memory_views", copy_128_memory_views));
    each(benchmark::RegisterBenchmark("sort_128_worst_memory_views", sort_128_worst_memory_views));
}

}  // namespace
}  // namespace skerrow::bench

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    skerrow::bench::Register();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
