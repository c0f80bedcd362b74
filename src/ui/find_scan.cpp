#include "ui/find_scan.h"

#include "collection/duplicates.h"
#include "os/os.h"

#include <QMetaObject>

#include <chrono>

namespace skerrow {

namespace {

// Reports come at most this often: often enough to look live, rarely enough that taking them into
// a large index never holds up the window. The files found are handed on to be put in order after
// every batch the scan reads, so that the ordering keeps pace with the scan instead of starting
// on most of the tree once it is over.
constexpr auto ReportInterval = std::chrono::milliseconds(100);

}  // namespace

FindScan::FindScan(QObject* parent) : QObject(parent)
{
    // One thread, so that what is handed to it reaches the window in the order handed.
    m_ordering.setMaxThreadCount(1);
}

FindScan::~FindScan()
{
    if (m_stop)
        *m_stop = true;
    Join();
    m_ordering.waitForDone();
}

void FindScan::Join()
{
    if (m_thread.joinable())
        m_thread.join();
}

void FindScan::Stop()
{
    if (m_stop)
        *m_stop = true;
}

void FindScan::Start(const std::string& root)
{
    Stop();
    Join();
    m_stop = std::make_shared<std::atomic<bool>>(false);
    m_running = true;
    const unsigned generation = ++m_generation;
    m_thread = std::thread([this, root, generation] { Run(root, generation); });
}

void FindScan::Post(unsigned generation, std::function<void()> work)
{
    QMetaObject::invokeMethod(
        this,
        [this, generation, work = std::move(work)] {
            if (generation == m_generation)
                work();
        },
        Qt::QueuedConnection);
}

void FindScan::Hand(std::function<void()> work)
{
    m_ordering.start(std::move(work));
}

void FindScan::Run(const std::string& root, unsigned generation)
{
    // The thread owns a reference of its own: Start may replace m_stop only after joining.
    const std::shared_ptr<std::atomic<bool>> stop = m_stop;
    // The window's own thread comes first: on a machine of two cores the scan's threads would
    // otherwise take turns with it and hold up typing.
    os::LowerThreadPriority();
    std::vector<ListedFile> listed;
    auto pending = std::make_shared<ScanProgress>();
    std::vector<FoundFile> found;
    // Both are kept by the ordering thread alone: the index of every voice handed on so far, and
    // the batches put in order since the window last had a report.
    const auto ordered = std::make_shared<VoiceIndex>();
    const auto unreported = std::make_shared<std::vector<IndexBatch>>();
    auto lastReport = std::chrono::steady_clock::now() - ReportInterval;
    const auto report = [&](bool force) {
        const auto now = std::chrono::steady_clock::now();
        std::shared_ptr<ScanProgress> progress;
        if (force || now - lastReport >= ReportInterval) {
            lastReport = now;
            progress = std::exchange(pending, std::make_shared<ScanProgress>());
            pending->filesRead = progress->filesRead;
        } else if (found.empty()) {
            return;
        }
        auto files = std::make_shared<std::vector<FoundFile>>(std::exchange(found, {}));
        Hand([this, generation, progress, files, ordered, unreported] {
            // Put in order here, beside the scan, and merged into an index of the voices found so
            // far that only this thread keeps: the window takes the order whole.
            if (!files->empty()) {
                IndexBatch batch = VoiceIndex::Prepare(std::move(*files));
                ordered->Add(IndexBatch(batch));
                unreported->push_back(std::move(batch));
            }
            if (!progress)
                return;
            progress->found = std::exchange(*unreported, {});
            progress->order = ordered->Order();
            Post(generation, [this, progress] {
                if (onProgress)
                    onProgress(*progress);
            });
        });
    };

    MultiWalk walk({root});
    for (const auto& [path, error] : walk.Missing())
        pending->unreadable.push_back({path, SkipKind::CannotOpen, error, HeadStatus::NotFound, {}});
    VoiceScanEvents events;
    events.found = [&](const std::string& path, const ScannedFile& file) {
        listed.push_back({path, static_cast<int>(file.names.size())});
        found.push_back({path, file.slotCount, file.names});
    };
    events.skipped = [&](const SkippedItem& skipped) {
        if (IsReadFailure(skipped.kind))
            pending->unreadable.push_back(skipped);
    };
    events.batchDone = [&](std::size_t filesRead) {
        pending->filesRead = filesRead;
        report(false);
        return !*stop;
    };
    ScanForVoices(walk, events);
    pending->listed = true;
    report(true);

    if (!*stop) {
        const HashKey key{os::RandomKey(), os::RandomKey()};
        DuplicateSets sets = FindDuplicateVoices(listed, key, *stop);
        if (!*stop) {
            auto members = std::make_shared<std::vector<std::pair<std::uint32_t, std::uint32_t>>>(
                std::move(sets.members));
            Hand([this, generation, members] {
                Post(generation, [this, members] {
                    if (onDuplicates)
                        onDuplicates(*members);
                });
            });
        }
    }
    const bool stopped = *stop;
    Hand([this, generation, stopped] {
        Post(generation, [this, stopped] {
            m_running = false;
            if (onFinished)
                onFinished(stopped);
        });
    });
}

}  // namespace skerrow
