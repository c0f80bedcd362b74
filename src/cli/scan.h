#pragma once

#include "cli/output.h"
#include "cli/parallel.h"
#include "cli/walk.h"
#include "voicefile/head_reader.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace skerrow {

// Items are read in batches of this many: enough to keep every core busy, few enough that the
// results of one batch stay small however large the tree is.
inline constexpr std::size_t ScanBatchSize = 1024;

// What reading a walked file found.
struct ScannedFile {
    HeadStatus status = HeadStatus::NotFound;  // NotFound: it could not be opened
    int error = 0;                             // errno of NotFound and ReadError
    dev_t device = 0;
    ino_t inode = 0;
    std::uint64_t size = 0;          // of the file, as it was opened
    std::size_t bytesRead = 0;       // into the buffer
    std::vector<std::string> names;  // the listed voices of a voice file
};

// Reads the head of a File item into buffer and, with blocks set and only for a voice file, the
// blocks of its listed voices behind it, in one pass. buffer must hold a whole .avc file.
ScannedFile ReadWalkedFile(const WalkItem& item, char* buffer, bool blocks);

// Says on the error stream what a scan passed over and why, and remembers whether anything was
// passed over for an error, for the exit status. One file reached twice (named twice, through a
// link to its folder, or by a hard link) counts once: the first path in walk order.
class ScanReport {
public:
    ScanReport(const Console& console, bool verbose) : m_console(console), m_verbose(verbose) {}

    // Reports the roots that could not be reached.
    void MissingRoots(const MultiWalk& walk);

    // Whether item is a voice file to list, having told whatever else it is.
    bool Accept(const WalkItem& item, const ScannedFile& file);

    // A note on the file at path, on its own line: always, or only with --verbose.
    void Note(const std::string& path, const std::string& text, bool always);

    // A note on something passed over for an error, which makes the exit status a failure.
    void Problem(const std::string& path, const std::string& text);

    // ExitFailure when a root was missing or anything was passed over for an error, else ExitOk.
    int ExitCode() const;

private:
    const Console& m_console;
    bool m_verbose;
    bool m_failed = false;
    std::map<std::pair<dev_t, ino_t>, std::string> m_seen;  // file identity, first path
};

// Walks every root and, one batch of items at a time, calls read(item) for the files in
// parallel, and then report(item, result) for every item in walk order (result is default-made
// for items that are not files).
template <typename Result, typename Read, typename Report>
void ScanTree(MultiWalk& walk, Read read, Report report)
{
    std::vector<WalkItem> items;
    std::vector<Result> results;
    items.reserve(ScanBatchSize);
    bool more = true;
    while (more) {
        items.clear();
        while (items.size() < ScanBatchSize) {
            auto item = walk.Next();
            if (!item) {
                more = false;
                break;
            }
            items.push_back(std::move(*item));
        }
        results.assign(items.size(), Result{});
        ParallelFor(items.size(), [&](std::size_t i) {
            if (items[i].kind == WalkKind::File)
                results[i] = read(items[i]);
        });
        for (std::size_t i = 0; i < items.size(); ++i)
            report(items[i], results[i]);
    }
}

}  // namespace skerrow
