#include "cli/scan.h"

#include "cli/exit_codes.h"
#include "core/file_io.h"
#include "editing/messages.h"
#include "voicefile/layout.h"

#include <cerrno>

namespace skerrow {

ScannedFile ReadWalkedFile(const WalkItem& item, char* buffer, bool blocks)
{
    ScannedFile file;
    struct stat info {};
    const FileDescriptor fd = OpenWalkedFile(item, info);
    if (!fd) {
        file.error = errno;
        return file;
    }
    file.device = info.st_dev;
    file.inode = info.st_ino;
    file.size = static_cast<std::uint64_t>(info.st_size);
    const ssize_t head = ReadAt(fd.Get(), 0, buffer, layout::HeadSize);
    if (head < 0) {
        file.status = HeadStatus::ReadError;
        file.error = errno;
        return file;
    }
    file.bytesRead = static_cast<std::size_t>(head);
    const auto slots = static_cast<unsigned char>(buffer[layout::SlotCountOffset]);
    if (file.bytesRead < layout::HeadSize) {
        file.status = HeadStatus::Truncated;
        return file;
    }
    if (!layout::IsValidSlotCount(slots)) {
        file.status = HeadStatus::BadCount;
        return file;
    }
    file.names = layout::ListNames(std::string_view(buffer, layout::HeadSize), slots);
    if (blocks) {
        const auto needed = static_cast<std::size_t>(layout::FileSize(static_cast<int>(file.names.size())));
        const ssize_t rest = ReadAt(fd.Get(), head, buffer + head, needed - layout::HeadSize);
        if (rest < 0) {
            file.status = HeadStatus::ReadError;
            file.error = errno;
            return file;
        }
        file.bytesRead += static_cast<std::size_t>(rest);
    }
    file.status = HeadStatus::Ok;
    return file;
}

void ScanReport::MissingRoots(const MultiWalk& walk)
{
    for (const auto& [root, error] : walk.Missing()) {
        Write(m_console.err,
              ShownOnErr(m_console, root, Field::Path) + " not found. (" + Reason(error) + ")\n");
        m_failed = true;
    }
}

void ScanReport::Note(const std::string& path, const std::string& text, bool always)
{
    if (always || m_verbose)
        Write(m_console.err, ShownOnErr(m_console, path, Field::Path) + ": " + text + "\n");
}

void ScanReport::Problem(const std::string& path, const std::string& text)
{
    Note(path, text, true);
    m_failed = true;
}

bool ScanReport::Accept(const WalkItem& item, const ScannedFile& file)
{
    switch (item.kind) {
    case WalkKind::File:
        break;
    case WalkKind::UnreadableFolder:
        // It may hide voice files.
        Problem(item.path, "folder cannot be read (" + Reason(item.error) + ")");
        return false;
    case WalkKind::FolderLoop:
        Note(item.path, "folder already being walked, not entered again", true);
        return false;
    case WalkKind::SymbolicLink:
        Note(item.path, "symbolic link, not followed", false);
        return false;
    case WalkKind::OtherType:
        Note(item.path, "not a regular file", false);
        return false;
    case WalkKind::SaveTemporary:
        Note(item.path, "temporary file of an interrupted save, passed over", false);
        return false;
    }

    switch (file.status) {
    case HeadStatus::Ok:
        break;
    case HeadStatus::NotFound:
        // A pipe or device put in a file's place since the walk is no file to read, not an error.
        if (file.error == EINVAL)
            Note(item.path, "not a regular file", false);
        else
            Problem(item.path, "cannot be opened (" + Reason(file.error) + ")");
        return false;
    case HeadStatus::ReadError:
        Problem(item.path, "read error (" + Reason(file.error) + ")");
        return false;
    case HeadStatus::Truncated:
    case HeadStatus::BadCount:
        Note(item.path, HeadMessage(file.status, item.path), false);
        return false;
    }

    const auto [first, isNew] = m_seen.try_emplace({file.device, file.inode}, item.path);
    if (!isNew) {
        Note(item.path, "same file as " + ShownOnErr(m_console, first->second, Field::Path) + ", passed over",
             false);
        return false;
    }
    return true;
}

int ScanReport::ExitCode() const
{
    return m_failed ? ExitFailure : ExitOk;
}

}  // namespace skerrow
