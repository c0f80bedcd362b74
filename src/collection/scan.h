#pragma once

#include "collection/parallel.h"
#include "collection/walk.h"
#include "voicefile/head_reader.h"

#include <cstdint>
#include <string>
#include <vector>

namespace skerrow {

// Items are read in batches of at most this many: enough to keep every core busy, few enough
// that the results of one batch stay small however large the tree is.
inline constexpr std::size_t ScanBatchSize = 1024;
// A batch also ends when its items lie in this many folders, each of which it holds open.
inline constexpr std::size_t ScanBatchFolders = 16;

// What reading a walked file found.
struct ScannedFile {
    HeadStatus status = HeadStatus::NotFound;  // NotFound: it could not be opened
    bool regular = true;                       // false: no plain file (a pipe or device put in its place)
    int error = 0;                             // errno of NotFound and ReadError
    os::FileId id;
    std::uint64_t size = 0;          // of the file, as it was opened
    std::size_t bytesRead = 0;       // into the buffer
    int slotCount = 0;               // of a voice file: 1, 16 or 128
    std::vector<std::string> names;  // the listed voices of a voice file
    bool diskImage = false;          // no voice file, but a disk image that may hold some
};

// A voice file inside a disk image that a walk met, read as ReadWalkedFile reads a file.
struct ScannedMember {
    std::string path;  // the image's path joined with the member's
    ScannedFile file;
    std::string bytes;  // the head and, when blocks were asked for, the listed voices' blocks
};

// What a disk image that a walk met holds.
struct ScannedImage {
    std::vector<ScannedMember> members;
    HeadStatus status = HeadStatus::Ok;  // NotFound or ReadError when the image could not be read
    int error = 0;                       // errno of NotFound and ReadError
    std::string damage;                  // why the image is no usable one
};

// The voice files inside the disk image of a File item whose scan found diskImage.
ScannedImage ReadWalkedImage(const WalkItem& item, bool blocks);

// Reads the head of a File item into buffer and, with blocks set and only for a voice file, the
// blocks of its listed voices behind it, in one pass. buffer must hold a whole .avc file.
ScannedFile ReadWalkedFile(const WalkItem& item, char* buffer, bool blocks);

// Walks every root and, one batch of items at a time, calls read(item) for the files in
// parallel, and then report(item, result) for every item in walk order (result is default-made
// for items that are not files). After each batch goOn() says whether to walk on.
template <typename Result, typename Read, typename Report, typename GoOn>
void ScanTree(MultiWalk& walk, Read read, Report report, GoOn goOn)
{
    std::vector<WalkItem> items;
    std::vector<Result> results;
    items.reserve(ScanBatchSize);
    bool more = true;
    while (more) {
        items.clear();
        std::size_t folders = 0;
        while (items.size() < ScanBatchSize && folders < ScanBatchFolders) {
            auto item = walk.Next();
            if (!item) {
                more = false;
                break;
            }
            if (item->folder && (items.empty() || item->folder != items.back().folder))
                ++folders;
            items.push_back(std::move(*item));
        }
        results.assign(items.size(), Result{});
        ParallelFor(items.size(), [&](std::size_t i) {
            if (items[i].kind == WalkKind::File)
                results[i] = read(items[i]);
        });
        for (std::size_t i = 0; i < items.size(); ++i)
            report(items[i], results[i]);
        if (!goOn())
            return;
    }
}

template <typename Result, typename Read, typename Report>
void ScanTree(MultiWalk& walk, Read read, Report report)
{
    ScanTree<Result>(walk, read, report, [] { return true; });
}

}  // namespace skerrow
