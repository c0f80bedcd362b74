#pragma once

#include "collection/voice_index.h"
#include "collection/voice_scan.h"

#include <QObject>
#include <QThreadPool>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace skerrow {

// What a running scan has found since it last reported.
struct ScanProgress {
    std::vector<IndexBatch> found;        // in the order found
    std::vector<OrderedVoice> order;      // of every voice found so far, these included
    std::vector<SkippedItem> unreadable;  // what could not be read, so voices may be missing
    std::size_t filesRead = 0;            // in all, so far
    bool listed = false;                  // the walk is over; the duplicates are looked for next
};

// Scans a folder tree for voices, as `skerrow-cli find` does, on a thread of its own, then looks
// for the duplicates among them. What it finds reaches the callbacks on the thread that owns this
// object, through its event loop, at most every few dozen milliseconds, so that the window stays
// responsive however large the tree.
class FindScan final : public QObject {
public:
    explicit FindScan(QObject* parent = nullptr);
    ~FindScan() override;

    // Starts scanning root, stopping a scan still running first (whose later reports are dropped).
    void Start(const std::string& root);
    // Asks a running scan to stop; onFinished follows.
    void Stop();
    bool Running() const { return m_running; }

    std::function<void(ScanProgress& progress)> onProgress;
    // The sets of equal voices, (set, voice) pairs numbered in the order the voices were found.
    std::function<void(std::vector<std::pair<std::uint32_t, std::uint32_t>>& sets)> onDuplicates;
    std::function<void(bool stopped)> onFinished;

private:
    void Run(const std::string& root, unsigned generation);
    // Hands work to this object's thread, dropped when another scan has started since.
    void Post(unsigned generation, std::function<void()> work);
    void Join();
    // Runs work on the ordering thread, after everything handed to it before.
    void Hand(std::function<void()> work);

    std::thread m_thread;
    // Puts found voices in order beside the scan, and passes the reports on in turn.
    QThreadPool m_ordering;
    std::shared_ptr<std::atomic<bool>> m_stop;
    unsigned m_generation = 0;
    bool m_running = false;
};

}  // namespace skerrow
