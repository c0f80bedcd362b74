#pragma once

#include "core/file_io.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
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

// How a write ended. path is the target as given for Creation and Write, the entry's source
// for the other two; error is the errno of the failed call, 0 when no call failed (a short file).
struct WriteResult {
    WriteFailure failure = WriteFailure::None;
    std::string path;
    int error = 0;
    // After a complete write: the file it took the place of, and the entries (by index) whose
    // block was read from that file.
    std::optional<FileIdentity> replaced;
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

// The calls the writer makes on the new file, replaceable so that a test can make a write, the
// setting of its permission bits or the flush to disk fail, or pick the temporary name's random
// part. An empty function means the system call (::write, ::fchmod, ::fsync) or a random choice.
struct WriterIo {
    std::function<ssize_t(int fd, const void* data, std::size_t size)> write;
    std::function<int(int fd, mode_t mode)> fchmod;
    std::function<int(int fd)> fsync;
    std::function<std::string()> temporarySuffix;
};

// Writes what as a voice file at path: the head, then each entry's block read from its own
// source, then zero blocks. The file that was at path (or where its symbolic links lead) is
// replaced only once the new one is complete and on disk; on any failure it stays as it was and
// nothing is left behind. Started is reported only once the new file exists.
WriteResult WriteVoiceFile(const VoiceFileContents& what, const std::string& path, WriteProgress& progress,
                           const WriterIo& io = {});

// Makes SIGINT, SIGTERM, SIGHUP and SIGQUIT remove the temporary file of a write under way before
// they end the program as they would have. Leaves alone a signal that is ignored or handled
// already. For the programs' start-up; one write at a time is assumed.
void RemoveUnfinishedFileOnTermination();

}  // namespace skerrow
