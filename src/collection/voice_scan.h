#pragma once

#include "collection/scan.h"

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace skerrow {

// Why a scan for voices passed something over.
enum class SkipKind {
    UnreadableFolder,   // error says why
    UnenterableFolder,  // error says why
    FolderLoop,
    SymbolicLink,
    NotRegular,     // a device, pipe or socket
    SaveTemporary,  // the temporary file of an interrupted save
    CannotOpen,     // error says why
    ReadError,      // error says why
    NotVoiceFile,   // status says how its head failed the checks
    SameFile,       // detail holds the path it was first reached by
    DamagedImage,   // a disk image that is no usable one; detail says why
};

struct SkippedItem {
    std::string path;
    SkipKind kind = SkipKind::NotVoiceFile;
    int error = 0;
    HeadStatus status = HeadStatus::Ok;
    std::string detail;
};

// Whether voices may have been missed because something could not be read: what the command line
// reports as a failure and the window counts as unreadable.
bool IsReadFailure(SkipKind kind);

// How a read failure is told, after the path: "cannot be opened (No such file or directory)".
std::string ReadFailureText(const SkippedItem& skipped);

// Tells voice files from everything else a walk meets, and each file from the same file reached
// again (through a hard link, a link to its folder, or a root named twice): the first path in
// walk order is the one listed.
class VoiceFileCheck {
public:
    // Nothing when item, as reading it found, is a voice file to list; otherwise why not.
    std::optional<SkippedItem> Check(const WalkItem& item, const ScannedFile& file);

    // What made a disk image unreadable, if anything.
    static std::optional<SkippedItem> ImageProblem(const std::string& path, const ScannedImage& image);

private:
    std::map<os::FileId, std::string> m_seen;  // file identity, first path
};

// What a scan for voices tells as it goes, on the thread that runs it.
struct VoiceScanEvents {
    // A voice file to list, inside a disk image or not: path leads into the image for a member.
    std::function<void(const std::string& path, const ScannedFile& file)> found;
    std::function<void(const SkippedItem& skipped)> skipped;
    // After each batch: the files read so far. Returning false stops the scan there.
    std::function<bool(std::size_t filesRead)> batchDone;
};

// Walks the roots and lists every voice file, and every voice file inside the disk images met, in
// the walk's order, reading only heads. This is what `find` lists, whoever asks.
void ScanForVoices(MultiWalk& walk, const VoiceScanEvents& events);

}  // namespace skerrow
