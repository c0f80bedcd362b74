// Copying 128 voices and the worst-case sort of 128 entries through the main window's own list
// views, the window shown (offscreen), each including the repaint that follows; to be compared
// with a frame of 16 ms.

#include "bench_support.h"
#include "paint_counter.h"

#include "core/library_state.h"
#include "editing/open_source.h"
#include "editing/sort_entries.h"
#include "ui/main_window.h"
#include "ui/qt_platform.h"
#include "voice_file_builder.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QListWidget>

#include <functional>
#include <memory>

namespace skerrow::bench {
namespace {

constexpr int Voices = 128;

// One shown main window for all the benchmarks, fed a 128-voice file whose names are in
// descending order.
struct Window {
    LibraryState state;
    QtPlatform platform;
    MainWindow window{state, platform};
    PaintCounter destinationPaints;

    Window()
    {
        platform.SetWindow(&window);
        window.List2->viewport()->installEventFilter(&destinationPaints);
        window.show();
        std::vector<std::string> names;
        for (int i = Voices - 1; i >= 0; --i)
            names.push_back("Voice " + std::to_string(1000 + i));
        const std::string path = ScratchDir() + "/ALL.AVC";
        PutFile(path, test::BuildVoiceFile({.slotCount = 128, .names = names, .fileId = 1}));
        LoadSourceFile(window.librarian(), path);
        Settle();
    }

    // Handles events until the destination list has been repainted (item layout and paint come
    // in separate rounds of the event loop), or nothing more is pending.
    void Settle()
    {
        const int before = destinationPaints.paints;
        for (int round = 0; round < 10 && destinationPaints.paints == before; ++round)
            QCoreApplication::processEvents();
    }

    void EmptyDestination()
    {
        window.librarian().List2.Clear();
        for (auto& entry : state.DestEntries)
            entry = {};
        Settle();
    }

    // The copy button with Shift held, as the user copies everything.
    void CopyAll()
    {
        window.Command4_MouseDown(1, ShiftMask, 0, 0);
        window.Command4_Click();
    }
};

// Made in main, after the application and before the benchmarks, and gone before the application.
Window* g_window = nullptr;

Window& TheWindow()
{
    return *g_window;
}

void copy_128_qt_views(benchmark::State& s)
{
    Window& w = TheWindow();
    int paints = 0;
    for (auto _ : s) {
        s.PauseTiming();
        w.EmptyDestination();
        paints -= w.destinationPaints.paints;
        s.ResumeTiming();
        w.CopyAll();
        w.Settle();
        paints += w.destinationPaints.paints;
    }
    s.counters["list_paints"] = benchmark::Counter(paints, benchmark::Counter::kAvgIterations);
    if (w.window.librarian().List2.Count() != Voices)
        s.SkipWithError("not all voices were copied");
}

// Every step of the insertion sort exchanges all the way down. The list is refilled in reverse
// order, untimed, before each sort.
void SortWorstCase(benchmark::State& s, const std::function<void()>& sort)
{
    Window& w = TheWindow();
    int paints = 0;
    for (auto _ : s) {
        s.PauseTiming();
        w.EmptyDestination();
        w.CopyAll();
        w.Settle();
        paints -= w.destinationPaints.paints;
        s.ResumeTiming();
        sort();
        w.Settle();
        paints += w.destinationPaints.paints;
    }
    s.counters["list_paints"] = benchmark::Counter(paints, benchmark::Counter::kAvgIterations);
    if (w.window.librarian().List2.Text(0) != "Voice 1000")
        s.SkipWithError("the list was not sorted");
}

// The sort button: the sort window shows and the loop yields once per step, as in the program.
void sort_128_worst_qt_views(benchmark::State& s)
{
    SortWorstCase(s, [] { TheWindow().window.Command2_Click(); });
}

// The same sort through the same list views, but with a platform that neither shows the sort
// window nor yields: what the exchanges cost without the repaints in between.
void sort_128_worst_qt_views_no_yield(benchmark::State& s)
{
    Librarian& lib = TheWindow().window.librarian();
    QuietPlatform quiet;
    Librarian still{lib.state, lib.List1, lib.List2, lib.Text1, lib.Text2, lib.caption, quiet};
    SortWorstCase(s, [&still] { SortDestination(still); });
}

// The window's own platform, except that the progress bar is never moved: the sort with its
// window and its yields, without the bar's repaints.
class StillBarPlatform final : public Platform {
public:
    explicit StillBarPlatform(Platform& real) : m_real(real) {}
    int MessageBox(const std::string& text, const std::string& title, MessageIcon icon,
                   MessageButtons buttons, const MessageSubject& subject) override
    {
        return m_real.MessageBox(text, title, icon, buttons, subject);
    }
    FileDialogResult FileDialog(const FileDialogRequest& request) override
    {
        return m_real.FileDialog(request);
    }
    std::optional<int> ChooseImageMember(const std::string& imagePath,
                                         const std::vector<ImageMemberRow>& rows) override
    {
        return m_real.ChooseImageMember(imagePath, rows);
    }
    ImageSaveAnswer ImageSaveDialog(const ImageSaveRequest& request) override
    {
        return m_real.ImageSaveDialog(request);
    }
    void ProgressShow(ProgressWindow window) override { m_real.ProgressShow(window); }
    void ProgressSetMaximum(ProgressWindow window, int maximum) override
    {
        m_real.ProgressSetMaximum(window, maximum);
    }
    void ProgressSetValue(ProgressWindow, int) override {}
    void ProgressSetLabel(ProgressWindow window, const std::string& text) override
    {
        m_real.ProgressSetLabel(window, text);
    }
    void ProgressClose(ProgressWindow window) override { m_real.ProgressClose(window); }
    void YieldEvents() override { m_real.YieldEvents(); }
    void ShowHelpContents(const std::string& path) override { m_real.ShowHelpContents(path); }
    std::string ProgramDirectory() override { return m_real.ProgramDirectory(); }

private:
    Platform& m_real;
};

void sort_128_worst_qt_views_still_bar(benchmark::State& s)
{
    Librarian& lib = TheWindow().window.librarian();
    StillBarPlatform stillBar(TheWindow().platform);
    Librarian still{lib.state, lib.List1, lib.List2, lib.Text1, lib.Text2, lib.caption, stillBar};
    SortWorstCase(s, [&still] { SortDestination(still); });
}

// The sort's progress window alone: made, shown, painted once and closed, as every sort does.
void sort_window_alone(benchmark::State& s)
{
    Window& w = TheWindow();
    for (auto _ : s) {
        w.platform.ProgressSetValue(ProgressWindow::Sort, 0);
        w.platform.ProgressSetMaximum(ProgressWindow::Sort, Voices);
        w.platform.ProgressShow(ProgressWindow::Sort);
        QCoreApplication::processEvents();
        w.platform.ProgressClose(ProgressWindow::Sort);
        QCoreApplication::processEvents();
    }
}

}  // namespace
}  // namespace skerrow::bench

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    auto window = std::make_unique<skerrow::bench::Window>();
    skerrow::bench::g_window = window.get();
    for (auto* b :
         {benchmark::RegisterBenchmark("copy_128_qt_views", skerrow::bench::copy_128_qt_views),
          benchmark::RegisterBenchmark("sort_128_worst_qt_views", skerrow::bench::sort_128_worst_qt_views),
          benchmark::RegisterBenchmark("sort_128_worst_qt_views_no_yield",
                                       skerrow::bench::sort_128_worst_qt_views_no_yield),
          benchmark::RegisterBenchmark("sort_128_worst_qt_views_still_bar",
                                       skerrow::bench::sort_128_worst_qt_views_still_bar),
          benchmark::RegisterBenchmark("sort_window_alone", skerrow::bench::sort_window_alone)})
        b->UseRealTime()->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    skerrow::bench::g_window = nullptr;
    return 0;
}
