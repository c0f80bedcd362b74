// The Windows body of os.h, on the Win32 API alone. Paths stay UTF-8 everywhere else and become
// UTF-16 only here, at the call; the user's spelling (drive letters, backslashes, forward slashes)
// is kept for every message because nothing outside this file ever sees the converted form.

#include "os/os.h"

#include "os/system_handle.h"
#include "os/temporary_name.h"
#include "os/windows_text.h"

#include <windows.h>
#undef ReplaceFile  // the system's macro for ReplaceFileW would rename ours

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <fcntl.h>
#include <io.h>
#include <mutex>
#include <random>
#include <utility>

namespace skerrow::os {

struct FileAccess {
    static void Adopt(File& file, HANDLE handle, const FileId& id, std::uint64_t size)
    {
        file.m_handle = reinterpret_cast<std::intptr_t>(handle);
        file.m_id = id;
        file.m_size = size;
    }
    static HANDLE Handle(const File& file) { return reinterpret_cast<HANDLE>(file.m_handle); }
};

namespace {

// Unrelated files already holding every name tried: give up rather than loop forever.
constexpr int TempNameAttempts = 100;

// A handle that closes itself.
class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE handle) noexcept : m_handle(handle) {}
    Handle(Handle&& other) noexcept : m_handle(std::exchange(other.m_handle, INVALID_HANDLE_VALUE)) {}
    Handle& operator=(Handle&& other) noexcept
    {
        if (this != &other) {
            Close();
            m_handle = std::exchange(other.m_handle, INVALID_HANDLE_VALUE);
        }
        return *this;
    }
    ~Handle() { Close(); }

    HANDLE Get() const noexcept { return m_handle; }
    explicit operator bool() const noexcept { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE Release() noexcept { return std::exchange(m_handle, INVALID_HANDLE_VALUE); }
    bool Close() noexcept
    {
        const bool closed = m_handle == INVALID_HANDLE_VALUE || ::CloseHandle(m_handle) != 0;
        m_handle = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

// Opens whatever stands at path, folders included, for a look at what it is. Shared in every way,
// so that another program's open file, or ours, neither blocks us nor is blocked by us.
Handle OpenExisting(const std::wstring& path, DWORD access, DWORD flags = 0)
{
    return Handle(::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr));
}

// The error of the last call that failed, in the errno family. A path that is no UTF-8 fails
// before any call, with EILSEQ.
int LastError()
{
    return ErrorNumberOf(::GetLastError());
}

// Where a path's last part begins: after the last slash or backslash, or after "C:".
std::size_t NameStart(const std::string& path)
{
    const std::size_t separator = path.find_last_of("/\\");
    if (separator != std::string::npos)
        return separator + 1;
    return path.size() >= 2 && path[1] == ':' ? 2 : 0;
}

// The folder a name beside path's last part must go in, spelled as the user spelled path.
std::string FolderPrefix(const std::string& path)
{
    return path.substr(0, NameStart(path));
}

// Whether a folder can hold a file called name: none of the characters the file systems refuse,
// and no device's name with an extension ("con.1bk" names the console in any folder, where no
// one means it; a bare "NUL" is the device, refused as no plain file). Only the "\\?\" form
// reaches such names, as it reaches every name as written.
bool HoldableName(std::wstring_view name)
{
    if (name.find_first_of(L"<>:\"|?*") != std::wstring_view::npos ||
        std::any_of(name.begin(), name.end(), [](wchar_t c) { return c < 0x20; }))
        return false;
    const std::size_t dot = name.find(L'.');
    if (dot == std::wstring_view::npos)
        return true;
    std::wstring stem(name.substr(0, dot));
    while (!stem.empty() && stem.back() == L' ')
        stem.pop_back();
    for (wchar_t& c : stem)
        c = static_cast<wchar_t>(std::towupper(c));
    static constexpr std::wstring_view Devices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    if (std::find(std::begin(Devices), std::end(Devices), stem) != std::end(Devices))
        return false;
    return !(stem.size() == 4 && (stem.starts_with(L"COM") || stem.starts_with(L"LPT")) && stem[3] >= L'1' &&
             stem[3] <= L'9');
}

std::string RandomSuffix()
{
    static std::mt19937_64 generator = [] {
        std::random_device device;
        std::seed_seq seed{
            device(), device(), static_cast<unsigned>(::GetCurrentProcessId()),
            static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count())};
        return std::mt19937_64(seed);
    }();
    return temporary_name::RandomPart(generator);
}

// The temporary file of the replacement under way, for the console handler, which runs on a
// thread of its own. The lock makes creating the file and recording it one step for the handler,
// so that it never misses our file nor removes someone else's that held the name first.
std::mutex pendingLock;
std::wstring pendingName;

BOOL WINAPI RemovePendingAndEnd(DWORD)
{
    const std::lock_guard hold(pendingLock);
    // The file is open with FILE_SHARE_DELETE: this marks it for removal, and the system removes
    // it when the ending program's handle closes. A rename still to come then fails.
    if (!pendingName.empty())
        ::DeleteFileW(pendingName.c_str());
    pendingName.clear();
    return FALSE;  // the next handler, in the end the system's, ends the program as usual
}

void ClearPending()
{
    const std::lock_guard hold(pendingLock);
    pendingName.clear();
}

// Refusals that mean "this file system keeps no such thing": the save goes on without it.
bool Unsupported(int error)
{
    return error == EPERM || error == ENOSYS || error == EOPNOTSUPP || error == ENOTSUP;
}

// What a replacement at path takes the place of, and what it looked like before.
struct Target {
    std::wstring realPath;                 // the path with a symbolic link at its end followed
    std::optional<HandleInformation> old;  // the file there now, if any
};

class WindowsReplacingFile final : public ReplacingFile {
public:
    WindowsReplacingFile(std::string path, ReplaceHooks hooks, ReplaceMode mode)
        : m_path(std::move(path)), m_hooks(std::move(hooks)), m_mode(mode)
    {
    }
    WindowsReplacingFile(const WindowsReplacingFile&) = delete;
    WindowsReplacingFile& operator=(const WindowsReplacingFile&) = delete;
    ~WindowsReplacingFile() override
    {
        m_file.Close();
        if (!m_temporary.empty()) {
            ::DeleteFileW(m_temporary.c_str());
            ClearPending();
        }
    }

    bool Create() override
    {
        if (!Fail(ResolveTarget()) || m_notPlain)
            return false;
        if (m_mode == ReplaceMode::NewOnly && m_target.old)
            return Fail(EEXIST);
        return Fail(CreateTemporary());
    }

    bool Write(std::string_view bytes) override
    {
        while (!bytes.empty()) {
            std::size_t size = std::min<std::size_t>(bytes.size(), 1u << 30);
            if (m_hooks.write) {
                const std::int64_t allowed = m_hooks.write(size);
                if (allowed < 0)
                    return Fail(static_cast<int>(-allowed));
                size = std::min(size, static_cast<std::size_t>(allowed));
            }
            DWORD written = 0;
            if (size != 0 &&
                ::WriteFile(m_file.Get(), bytes.data(), static_cast<DWORD>(size), &written, nullptr) == 0)
                return Fail(LastError());
            if (written == 0)
                return Fail(ENOSPC);
            bytes.remove_prefix(written);
        }
        return true;
    }

    bool Commit() override
    {
        // Windows keeps no permission bits to set: ReplaceFileW carries the old file's attributes
        // and access list over, and a new file inherits its folder's. The call point stays so
        // that a failure there behaves as on other systems.
        if (const int refused = m_hooks.setPermissions ? m_hooks.setPermissions() : 0;
            refused != 0 && !Unsupported(refused))
            return Fail(refused);
        // A negative answer from the hook stands for a flush that succeeded without the disk.
        const int flush = m_hooks.flush ? m_hooks.flush() : 0;
        if (flush > 0)
            return Fail(flush);
        if ((flush == 0 && ::FlushFileBuffers(m_file.Get()) == 0) || !m_file.Close())
            return Fail(LastError());
        // Without MOVEFILE_REPLACE_EXISTING the move fails on a file that appeared meanwhile.
        const DWORD replacing = m_mode == ReplaceMode::Replace ? MOVEFILE_REPLACE_EXISTING : 0;
        const bool placed = m_target.old
                                ? ::ReplaceFileW(m_target.realPath.c_str(), m_temporary.c_str(), nullptr,
                                                 REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0
                                : ::MoveFileExW(m_temporary.c_str(), m_target.realPath.c_str(),
                                                replacing | MOVEFILE_WRITE_THROUGH) != 0;
        if (!placed)
            return Fail(LastError());
        ClearPending();
        m_temporary.clear();
        return true;
    }

    int Error() const override { return m_error; }
    bool NotPlain() const override { return m_notPlain; }

    std::optional<FileId> Replaced() const override
    {
        return m_target.old ? std::optional<FileId>(m_target.old->id) : std::nullopt;
    }

private:
    // Records error (when not 0) and returns whether there was none.
    bool Fail(int error)
    {
        if (error != 0)
            m_error = error;
        return error == 0;
    }

    // Follows a symbolic link at the end of the path, so that a link stays a link and the file it
    // leads to gets the new content, and refuses what must not be replaced: a folder, a device
    // (m_notPlain), and a read-only file (the attribute is the user's "do not change this").
    int ResolveTarget()
    {
        if (m_path.empty())
            return ENOENT;
        if (NameStart(m_path) == m_path.size())
            return EISDIR;
        if (!ToWide(m_path, m_target.realPath))
            return EILSEQ;
        // A folder takes names of up to 255 UTF-16 units; refused now, not at the final rename.
        std::wstring name;
        ToWide(m_path.substr(NameStart(m_path)), name);
        if (name.size() > 255)
            return ENAMETOOLONG;
        if (!m_path.starts_with("\\\\?\\") && !HoldableName(name))
            return InvalidNameError;
        // ReplaceFileW takes no relative path on every system: the full one, for the calls only.
        m_target.realPath = ForApi(FullPath(m_target.realPath));
        // A device first: it may have no attributes to read.
        const Handle existing = OpenExisting(m_target.realPath, 0);
        const DWORD openError = existing ? ERROR_SUCCESS : ::GetLastError();
        if (existing && ::GetFileType(existing.Get()) != FILE_TYPE_DISK) {
            m_notPlain = true;
            return 0;
        }
        const DWORD attributes = ::GetFileAttributesW(m_target.realPath.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            const DWORD error = ::GetLastError();
            // Nothing there yet: creating the temporary file tells whether the folder is there.
            return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? 0 : ErrorNumberOf(error);
        }
        if (!existing)
            return ErrorNumberOf(openError);
        HandleInformation info;
        if (!InformationOf(existing.Get(), std::nullopt, info))
            return LastError();
        if ((info.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return EISDIR;
        if ((info.attributes & FILE_ATTRIBUTE_READONLY) != 0)
            return EACCES;
        if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            std::wstring final(32768, L'\0');
            const DWORD length = ::GetFinalPathNameByHandleW(existing.Get(), final.data(),
                                                             static_cast<DWORD>(final.size()), 0);
            if (length == 0 || length >= final.size())
                return LastError();
            final.resize(length);
            m_target.realPath = final;
        }
        m_target.old = info;
        return 0;
    }

    // Creates the temporary file beside the target, never opening one that exists already.
    int CreateTemporary()
    {
        std::string folder;
        std::string name;
        if (!ToUtf8(m_target.realPath, name))
            return EILSEQ;
        folder = FolderPrefix(name);
        name.erase(0, folder.size());
        // The stem keeps a bounded number of bytes: never half a character.
        if (name.size() > temporary_name::StemLimit) {
            std::size_t cut = temporary_name::StemLimit;
            while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
                --cut;
            name.resize(cut);
        }
        const std::string stem = temporary_name::StemFor(name);
        for (int attempt = 0; attempt < TempNameAttempts; ++attempt) {
            std::wstring candidate;
            if (!ToWide(folder + stem +
                            (m_hooks.temporarySuffix ? m_hooks.temporarySuffix() : RandomSuffix()),
                        candidate))
                return EILSEQ;
            candidate = ForApi(candidate);
            const std::lock_guard hold(pendingLock);
            Handle file(::CreateFileW(candidate.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (file) {
                pendingName = candidate;
                m_temporary = std::move(candidate);
                m_file = std::move(file);
                return 0;
            }
            const DWORD error = ::GetLastError();
            if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
                return ErrorNumberOf(error);
        }
        return EEXIST;
    }

    std::string m_path;
    const ReplaceHooks m_hooks;
    const ReplaceMode m_mode;
    Target m_target;
    Handle m_file;
    std::wstring m_temporary;
    int m_error = 0;
    bool m_notPlain = false;
};

bool IsConsole(DWORD which)
{
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(which), &mode) != 0;
}

}  // namespace

std::string ErrorText(int error)
{
    switch (error) {
    case ELOOP:
        return "Too many levels of symbolic links";
    case EILSEQ:
        return "Invalid or incomplete multibyte or wide character";
    case EBUSY:  // a sharing violation: "Device or resource busy" would say nothing to a user
        return "The file is in use by another program";
    case InvalidNameError:
        return "Invalid name";
    case EPIPE:
        return "Broken pipe";
    default:
        return std::strerror(error);
    }
}

int WriteError(int error)
{
    // The C runtime keeps the system's own code of the failed call beside errno.
    const unsigned long code = _doserrno;
    return ErrorNumberOf(code) == EPIPE ? EPIPE : error;
}

void CloseSystemHandle(std::intptr_t handle) noexcept
{
    if (handle != -1)
        ::CloseHandle(reinterpret_cast<HANDLE>(handle));
}

std::int64_t File::ReadAt(std::uint64_t offset, void* data, std::size_t size, int* error) const
{
    return ReadHandleAt(FileAccess::Handle(*this), offset, data, size, error);
}

bool File::Refresh(FileId& id, std::uint64_t& size) const
{
    // An open file never moves to another volume: only its index and size can have changed.
    HandleInformation info;
    if (!InformationOf(FileAccess::Handle(*this), m_id.device, info))
        return false;
    id = info.id;
    size = info.size;
    return true;
}

OpenResult OpenForReadingWide(const std::wstring& apiPath, std::optional<std::uint64_t> volume)
{
    // With the volume known, the entry itself is opened: should it be a link (put in the listed
    // file's place since), what it leads to may lie on another volume, and it is opened again as
    // any path is.
    OpenResult result;
    Handle file = OpenExisting(apiPath, GENERIC_READ, volume ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
    if (file && ::GetFileType(file.Get()) != FILE_TYPE_DISK) {
        result.failure = OpenFailure::NotPlain;  // a console, a printer port, a pipe
        return result;
    }
    HandleInformation info;
    if (!file || !InformationOf(file.Get(), volume, info)) {
        result.error = LastError();
        return result;
    }
    if (volume && (info.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return OpenForReadingWide(apiPath, std::nullopt);
    if ((info.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        result.failure = OpenFailure::Folder;
        result.error = EISDIR;
        return result;
    }
    FileAccess::Adopt(result.file, file.Release(), info.id, info.size);
    result.failure = OpenFailure::None;
    return result;
}

OpenResult OpenForReading(const std::string& path)
{
    std::wstring wide;
    if (!ToWide(path, wide)) {
        OpenResult result;
        result.error = EILSEQ;
        return result;
    }
    return OpenForReadingWide(ForApi(wide));
}

std::optional<FileId> IdentityOf(const std::string& path)
{
    std::wstring wide;
    if (path.empty() || !ToWide(path, wide))
        return std::nullopt;
    const Handle file = OpenExisting(ForApi(wide), 0);
    HandleInformation info;
    if (!file || !InformationOf(file.Get(), std::nullopt, info))
        return std::nullopt;
    return info.id;
}

bool EntryExists(const std::string& path)
{
    // The name's own attributes: a link is found whether or not it leads anywhere.
    std::wstring wide;
    return !path.empty() && ToWide(path, wide) &&
           ::GetFileAttributesW(ForApi(wide).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::unique_ptr<ReplacingFile> ReplaceFile(const std::string& path, const ReplaceHooks& hooks,
                                           ReplaceMode mode)
{
    return std::make_unique<WindowsReplacingFile>(path, hooks, mode);
}

void RemoveOnTermination()
{
    ::SetConsoleCtrlHandler(RemovePendingAndEnd, TRUE);
}

const std::string_view PathSeparators = "\\/";

LocalTime LocalTimeNow()
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

std::string ProgramDirectory()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    std::string utf8;
    if (!ToUtf8(path, utf8))
        return {};
    std::string folder = FolderPrefix(utf8);
    if (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/') &&
        folder[folder.size() - 2] != ':')
        folder.pop_back();
    return folder;
}

bool IsTerminal(Stream stream)
{
    return IsConsole(stream == Stream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

namespace {

// The console's code pages as the program found them, given back at every exit.
UINT g_inputPage = 0;
UINT g_outputPage = 0;

void RestoreConsole()
{
    if (g_outputPage != 0)
        ::SetConsoleOutputCP(g_outputPage);
    if (g_inputPage != 0)
        ::SetConsoleCP(g_inputPage);
}

BOOL WINAPI RestoreConsoleAndEnd(DWORD)
{
    RestoreConsole();
    return FALSE;  // the other handlers, in the end the system's, go on as usual
}

}  // namespace

void PrepareConsole()
{
    // The same bytes as on other systems: no "\r" before each "\n", none in NUL-separated lists.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
    if (IsConsole(STD_OUTPUT_HANDLE) || IsConsole(STD_ERROR_HANDLE)) {
        g_inputPage = ::GetConsoleCP();
        g_outputPage = ::GetConsoleOutputCP();
        std::atexit(RestoreConsole);
        ::SetConsoleCtrlHandler(RestoreConsoleAndEnd, TRUE);
        ::SetConsoleOutputCP(CP_UTF8);
        ::SetConsoleCP(CP_UTF8);
    }
    // The C runtime here buffers "line buffered" streams fully, so standard output keeps the
    // program's own buffering; a console line then shows when the program flushes or ends.
}

void RaiseOpenFileLimit()
{
    // Handles, which walks use, have no per-process limit worth raising; the C runtime's stream
    // limit concerns FILE objects, of which the program keeps few.
}

std::string LocaleEncoding()
{
    // Redirected output is bytes for another program, written as UTF-8 like everywhere else.
    if (!IsConsole(STD_OUTPUT_HANDLE) && !IsConsole(STD_ERROR_HANDLE))
        return "UTF-8";
    const UINT page = ::GetConsoleOutputCP();
    return page == CP_UTF8 ? "UTF-8" : std::string("CP") + std::to_string(page);
}

void LowerThreadPriority()
{
    static_cast<void>(::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL));
}

}  // namespace skerrow::os
