#pragma once

#include "cli/output.h"
#include "cli/parallel.h"
#include "cli/walk.h"

#include <string>
#include <vector>

namespace skerrow {

// Items are read in batches of this many: enough to keep every core busy, few enough that the
// results of one batch stay small however large the tree is.
inline constexpr std::size_t ScanBatchSize = 1024;

// Reports the roots that do not exist, as the open command words it. Returns whether all exist.
bool ReportMissingRoots(const Console& console, const MultiWalk& walk);

// Tells on the error stream about an item that is not a readable file. Folders that could not be
// walked are always told, since they may hide voice files; the rest only when verbose.
void ReportSkippedItem(const Console& console, const WalkItem& item, bool verbose);

// Walks every root and, one batch of items at a time: calls prepare(items, firstOrdinal), calls
// read(item, ordinal) for the files in parallel, and then report(item, result) for every item in
// walk order (result is default-made for items that are not files). Ordinals count the items
// from 0 in walk order.
template <typename Result, typename Prepare, typename Read, typename Report>
void ScanTree(MultiWalk& walk, Prepare prepare, Read read, Report report)
{
    std::vector<WalkItem> items;
    std::vector<Result> results;
    items.reserve(ScanBatchSize);
    std::size_t firstOrdinal = 0;
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
        prepare(items, firstOrdinal);
        results.assign(items.size(), Result{});
        ParallelFor(items.size(), [&](std::size_t i) {
            if (items[i].kind == WalkKind::File)
                results[i] = read(items[i], firstOrdinal + i);
        });
        for (std::size_t i = 0; i < items.size(); ++i)
            report(items[i], results[i]);
        firstOrdinal += items.size();
    }
}

}  // namespace skerrow
