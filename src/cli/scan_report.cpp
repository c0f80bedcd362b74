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

void ScanReport::Tell(const SkippedItem& skipped)
{
    const std::string& path = skipped.path;
    if (IsReadFailure(skipped.kind)) {
        // It may hide voice files.
        Problem(path, ReadFailureText(skipped));
        return;
    }
    switch (skipped.kind) {
    case SkipKind::FolderLoop:
        Note(path, "folder already being walked, not entered again", true);
        return;
    case SkipKind::SymbolicLink:
        Note(path, "symbolic link, not followed", false);
        return;
    case SkipKind::NotRegular:
        Note(path, "not a regular file", false);
        return;
    case SkipKind::SaveTemporary:
        Note(path, "temporary file of an interrupted save, passed over", false);
        return;
    case SkipKind::NotVoiceFile:
        Note(path, HeadMessage(skipped.status, path), false);
        return;
    case SkipKind::SameFile:
        Note(path, "same file as " + ShownOnErr(m_console, skipped.detail, Field::Path) + ", passed over",
             false);
        return;
    default:
        return;
    }
}

bool ScanReport::Accept(const WalkItem& item, const ScannedFile& file)
{
    const std::optional<SkippedItem> skipped = m_check.Check(item, file);
    if (skipped)
        Tell(*skipped);
    return !skipped;
}

std::vector<ScannedMember> ScanReport::AcceptImageMembers(const WalkItem& item, bool blocks)
{
    ScannedImage image = ReadWalkedImage(item, blocks);
    if (auto problem = VoiceFileCheck::ImageProblem(item.path, image))
        Tell(*problem);
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
