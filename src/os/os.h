#pragma once

// The operating system, and nothing else: files that own their handle, file identity, reading at
// an offset, the safe replacement of a file, termination cleanup, the terminal and the program's
// folder. No system header and no system type appear here, so that the logic builds unchanged on
// every platform; posix.cpp and windows.cpp are the two bodies.
//
// Errors are reported as data: an error number in the errno family (ENOENT, EACCES, ENOSPC, ...),
// which the Windows body translates from the system's own codes, so that callers and messages need
// one vocabulary only. Paths are bytes; on Windows they are UTF-8 and converted at the API.

#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace skerrow::os {

// What makes a file the same file whatever path, link or spelling names it: device and inode on
// POSIX, volume serial number and file index on Windows.
struct FileId {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;

    friend auto operator<=>(const FileId&, const FileId&) = default;
};

// An error number of the program's own, beside the system's: a name the file system cannot hold
// (on Windows a reserved device name such as "con.1bk", or one of <>:"|?*).
inline constexpr int InvalidNameError = 0x7100;

// The system's words for an error number, for messages that give the reason.
std::string ErrorText(int error);

// The error number of a write through the C library that just failed with errno error, in the
// vocabulary of the rest: on Windows the library calls a closed pipe an invalid argument.
int WriteError(int error);

// Why a file could not be opened for reading.
enum class OpenFailure {
    None,
    Missing,   // no such file, or the open failed for another reason (error tells which)
    Folder,    // a folder stands at the path
    NotPlain,  // a pipe, a device or a socket: nothing a user saves voices in, and reading could block
};

// A file open for reading that closes itself, so that no early return can leak one.
class File {
public:
    File() = default;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File();

    explicit operator bool() const noexcept { return m_handle != InvalidHandle; }

    // Reads up to size bytes at offset, going on after interruptions and short reads. Returns the
    // number of bytes read, fewer than size only at the end of the file, or -1 and sets *error.
    std::int64_t ReadAt(std::uint64_t offset, void* data, std::size_t size, int* error = nullptr) const;

    // Identity and size as they were when the file was opened.
    const FileId& Id() const noexcept { return m_id; }
    std::uint64_t Size() const noexcept { return m_size; }

    // The file's identity and size now, to tell whether it changed under a reader. False on failure.
    bool Refresh(FileId& id, std::uint64_t& size) const;

private:
    friend struct FileAccess;
    static constexpr std::intptr_t InvalidHandle = -1;
    std::intptr_t m_handle = InvalidHandle;  // a descriptor on POSIX, a HANDLE on Windows
    FileId m_id;
    std::uint64_t m_size = 0;
};

// The result of opening a file for reading: the file, or why there is none.
struct OpenResult {
    File file;
    OpenFailure failure = OpenFailure::Missing;
    // The system's error number where one call failed: 0 for NotPlain, which no call's error
    // tells, and EISDIR for Folder, as a read of a folder gives.
    int error = 0;
};

// Opens path read-only, and only when it is a plain file (links followed). Never waits on a pipe.
OpenResult OpenForReading(const std::string& path);

// The identity of the file at path (links followed), or none when there is no file there.
std::optional<FileId> IdentityOf(const std::string& path);

// Whether anything, a dangling link included, has the name path.
bool EntryExists(const std::string& path);

// ---- Replacing a file safely ----

// How a replacement failed: before anything was written (the target cannot be created or must
// not be replaced) or afterwards (writing, flushing or putting the new file in place).
enum class ReplaceStage { Creation, Write };

// A new file written beside the one it replaces and put in its place only once complete and on
// disk: until Commit succeeds the old file is untouched, and an abandoned or failed replacement
// (the object destroyed without a successful Commit) leaves nothing behind.
class ReplacingFile {
public:
    virtual ~ReplacingFile() = default;

    // Checks what can be checked before writing and creates the new file. False on failure,
    // with Error() set; the stage of such a failure is Creation.
    virtual bool Create() = 0;
    // Appends bytes to the new file. False on failure (stage Write).
    virtual bool Write(std::string_view bytes) = 0;
    // Gives the new file what the old one carried, flushes it and puts it in place. False on
    // failure (stage Write); the old file is then as it was.
    virtual bool Commit() = 0;

    // The error number of the last failure; 0 when Create found no plain file at the path.
    virtual int Error() const = 0;
    // Whether Create refused the path because a pipe, a device or a socket stands there.
    virtual bool NotPlain() const = 0;
    // Once Create succeeded: the file the replacement takes the place of, if there was one.
    virtual std::optional<FileId> Replaced() const = 0;
};

// Places where a test can make the replacement on disk fail, or choose its temporary names.
// Empty functions mean the real thing.
struct ReplaceHooks {
    // Before each write of size bytes: returns how many of them the write may take (a short
    // write), or a negative error number to fail the write with it.
    std::function<std::int64_t(std::size_t size)> write;
    // Before the new file's permissions or owner are set: 0 to go on, or an error number that the
    // setting fails with.
    std::function<int()> setPermissions;
    // Before the flush to disk: 0 to go on, an error number that the flush fails with, or a
    // negative value to leave the flush out (for measuring the copying alone).
    std::function<int()> flush;
    // The random part of the next temporary name to try.
    std::function<std::string()> temporarySuffix;
};

// Whether a replacement may take the place of a file that is there when it is put in place.
enum class ReplaceMode {
    Replace,  // the file at the path, if any, is replaced
    NewOnly,  // only a new file is made: one that is there, or appears meanwhile, is kept (EEXIST)
};

// The replacement of the file at path. A symbolic link at path stays a link and the file it leads
// to is replaced (or created). Refused at Create: a folder or anything else that is not a plain
// file, a file none of whose write bits are set, a loop of links, a name too long for its folder,
// and a link in a folder shared by all (sticky and world-writable) that belongs neither to the
// user nor to the folder's owner, wherever in the path it stands.
std::unique_ptr<ReplacingFile> ReplaceFile(const std::string& path, const ReplaceHooks& hooks = {},
                                           ReplaceMode mode = ReplaceMode::Replace);

// Makes interruption (Ctrl+C, a closed terminal or console, a plain kill) remove the temporary file
// of a replacement under way before the program ends as it would have. Leaves alone what the user
// set up already (an ignored signal). For the programs' start-up; one replacement at a time.
void RemoveOnTermination();

// ---- The program and its terminal ----

// The folder of the running program's executable (links resolved), or empty if unknown.
std::string ProgramDirectory();

enum class Stream { Output, Error };

// Whether the stream goes to a terminal (a console on Windows).
bool IsTerminal(Stream stream);

// Prepares the console for the program's own text: UTF-8 on a Windows console, and a broken
// pipe reported as a failed write instead of ending the program.
void PrepareConsole();

// Raises the limit of open files to its hard limit where there is one, for walks of large trees.
void RaiseOpenFileLimit();

// The characters that separate the parts of a path: "/" on POSIX, "\\/" on Windows.
extern const std::string_view PathSeparators;

// The local time of day, to the second, as the user's clock shows it.
struct LocalTime {
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};
LocalTime LocalTimeNow();

// The character encoding of the user's locale, as named by the system (e.g. "UTF-8"), or empty.
std::string LocaleEncoding();

// Lets the calling thread, and on POSIX the threads it starts from now on, yield the processor to
// the program's other threads whenever they have work: for background work, such as a scan, that
// must not slow the window down. Failing changes nothing.
void LowerThreadPriority();

}  // namespace skerrow::os
