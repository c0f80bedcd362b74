#pragma once

#include "os/os.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace skerrow {

// One voice of a file to write: the name its directory entry gets, and the file and 1-based slot
// its block is read from.
struct VoiceFileEntry {
    std::string name;
    std::string sourcePath;
    int slot = 0;
};

// What a voice file holds: the head's first bytes (up to 50, zeros after), the slot count
// (1, 16 or 128, at least the number of entries) and the entries in file order.
struct VoiceFileContents {
    std::string preamble;
    int slotCount = 0;
    std::vector<VoiceFileEntry> entries;
};

enum class WriteFailure {
    None,
    Creation,        // the target cannot be created, or is something a save must not replace
    Write,           // writing, flushing or putting the new file in place failed
    SourceNotFound,  // an entry's source is gone or no plain file
    SourceRead,      // an entry's source is shorter than its slot, or reading it failed
};

// How reading one entry's block went, and which file it came from.
struct BlockRead {
    WriteFailure failure = WriteFailure::None;  // None, SourceNotFound or SourceRead
    int error = 0;                              // the system's error number, 0 for a short file
    std::optional<os::FileId> file;
    bool notPlain = false;  // SourceNotFound: a pipe or a device is there
};

// Where the writer gets the voice blocks it copies.
class BlockSource {
public:
    // Reads the 3072-byte block of entry into block.
    virtual BlockRead Read(const VoiceFileEntry& entry, std::string& block) = 0;

protected:
    ~BlockSource() = default;
};

// Reads up to size bytes at offset into data: the count read, fewer only at the end, or -1 with
// *error set.
using ReadAtFunction =
    std::function<std::int64_t(std::uint64_t offset, char* data, std::size_t size, int* error)>;

// Reads the block of slot (1-based) of a source through readAt into block, for every kind of
// source alike: SourceRead with the system's error, or 0 for a block the source does not hold
// whole. file is reported as the source read.
BlockRead ReadBlock(const ReadAtFunction& readAt, int slot, std::string& block,
                    std::optional<os::FileId> file);

// Blocks read from the voice files named by the entries, opened afresh for each block so that a
// source that vanished or changed is noticed.
class FileBlockSource final : public BlockSource {
public:
    BlockRead Read(const VoiceFileEntry& entry, std::string& block) override;
};

// How a write ended. path is the entry's source for SourceNotFound and SourceRead, empty for the
// failures of the target; error is the system's error number of the failed step, 0 when no call
// failed (a short file, or no plain file at the source or the target, which notPlain tells).
struct WriteResult {
    WriteFailure failure = WriteFailure::None;
    std::string path;
    int error = 0;
    bool notPlain = false;
    // After a complete write: the file it took the place of, and the entries (by index) whose
    // block was read from that file.
    std::optional<os::FileId> replaced;
    std::vector<std::size_t> entriesFromReplaced;

    explicit operator bool() const { return failure == WriteFailure::None; }
};

// Told how a write goes on, so that a front end can show it.
class WriteProgress {
public:
    // The new file exists and slots slots will follow.
    virtual void Started(int slots) = 0;
    // Slot (1-based) is about to be written.
    virtual void SlotStarted(int slot) = 0;
    // The block of the entry called name was read and is about to be written.
    virtual void VoiceRead(const std::string& name) = 0;

protected:
    ~WriteProgress() = default;
};

// The head of a voice file: the preamble, the slot count, the entries' names in file order.
std::string BuildHead(const VoiceFileContents& what);

// Writes what into file: the head, then each entry's block read from blocks, then zero blocks,
// and commits it. On any failure the file is abandoned, which leaves the target as it was.
// Started is reported only once the new file exists.
WriteResult WriteVoiceFile(const VoiceFileContents& what, BlockSource& blocks, os::ReplacingFile& file,
                           WriteProgress& progress);

}  // namespace skerrow
