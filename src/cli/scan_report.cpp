#include "cli/scan_report.h"

#include "cli/exit_codes.h"
#include "editing/messages.h"

namespace skerrow {

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
    case WalkKind::UnenterableFolder:
        // It may hide voice files.
        Problem(item.path, std::string(item.kind == WalkKind::UnreadableFolder
                                           ? "folder cannot be read"
                                           : "folder can be listed but not entered") +
                               " (" + Reason(item.error) + ")");
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
        if (!file.regular)
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

    const auto [first, isNew] = m_seen.try_emplace(file.id, item.path);
    if (!isNew) {
        Note(item.path, "same file as " + ShownOnErr(m_console, first->second, Field::Path) + ", passed over",
             false);
        return false;
    }
    return true;
}

std::vector<ScannedMember> ScanReport::AcceptImageMembers(const WalkItem& item, bool blocks)
{
    ScannedImage image = ReadWalkedImage(item, blocks);
    if (image.status == HeadStatus::NotFound)
        Problem(item.path, "cannot be opened (" + Reason(image.error) + ")");
    else if (image.status == HeadStatus::ReadError)
        Problem(item.path, "read error (" + Reason(image.error) + ")");
    else if (!image.damage.empty())
        Problem(item.path, image.damage);
    std::vector<ScannedMember> accepted;
    for (ScannedMember& member : image.members) {
        if (Accept(WalkItem{member.path, WalkKind::File, nullptr, {}, 0}, member.file))
            accepted.push_back(std::move(member));
    }
    return accepted;
}

int ScanReport::ExitCode() const
{
    return m_failed ? ExitFailure : ExitOk;
}

}  // namespace skerrow
