#include "collection/voice_scan.h"

#include "os/os.h"
#include "voicefile/layout.h"

#include <vector>

namespace skerrow {

bool IsReadFailure(SkipKind kind)
{
    switch (kind) {
    case SkipKind::UnreadableFolder:
    case SkipKind::UnenterableFolder:
    case SkipKind::CannotOpen:
    case SkipKind::ReadError:
    case SkipKind::DamagedImage:
        return true;
    case SkipKind::FolderLoop:
    case SkipKind::SymbolicLink:
    case SkipKind::NotRegular:
    case SkipKind::SaveTemporary:
    case SkipKind::NotVoiceFile:
    case SkipKind::SameFile:
        break;
    }
    return false;
}

namespace {

// Why the walk item of a kind other than File is passed over.
SkipKind SkipKindOf(WalkKind kind)
{
    switch (kind) {
    case WalkKind::UnreadableFolder:
        return SkipKind::UnreadableFolder;
    case WalkKind::UnenterableFolder:
        return SkipKind::UnenterableFolder;
    case WalkKind::FolderLoop:
        return SkipKind::FolderLoop;
    case WalkKind::SymbolicLink:
        return SkipKind::SymbolicLink;
    case WalkKind::SaveTemporary:
        return SkipKind::SaveTemporary;
    case WalkKind::OtherType:
    case WalkKind::File:
        break;
    }
    return SkipKind::NotRegular;
}

}  // namespace

std::string ReadFailureText(const SkippedItem& skipped)
{
    const std::string reason = " (" + os::ErrorText(skipped.error) + ")";
    switch (skipped.kind) {
    case SkipKind::UnreadableFolder:
        return "folder cannot be read" + reason;
    case SkipKind::UnenterableFolder:
        return "folder can be listed but not entered" + reason;
    case SkipKind::CannotOpen:
        return "cannot be opened" + reason;
    case SkipKind::ReadError:
        return "read error" + reason;
    case SkipKind::DamagedImage:
        return skipped.detail;
    default:
        return {};
    }
}

std::optional<SkippedItem> VoiceFileCheck::Check(const WalkItem& item, const ScannedFile& file)
{
    SkippedItem skipped{item.path, SkipKind::NotVoiceFile, item.error, file.status, {}};
    if (item.kind != WalkKind::File) {
        skipped.kind = SkipKindOf(item.kind);
        return skipped;
    }

    skipped.error = file.error;
    switch (file.status) {
    case HeadStatus::Ok:
        break;
    case HeadStatus::NotFound:
        // A pipe or device put in a file's place since the walk is no file to read, not an error.
        skipped.kind = file.regular ? SkipKind::CannotOpen : SkipKind::NotRegular;
        return skipped;
    case HeadStatus::ReadError:
        skipped.kind = SkipKind::ReadError;
        return skipped;
    case HeadStatus::Truncated:
    case HeadStatus::BadCount:
        return skipped;
    }

    const auto [first, isNew] = m_seen.try_emplace(file.id, item.path);
    if (isNew)
        return std::nullopt;
    skipped.kind = SkipKind::SameFile;
    skipped.detail = first->second;
    return skipped;
}

std::optional<SkippedItem> VoiceFileCheck::ImageProblem(const std::string& path, const ScannedImage& image)
{
    SkippedItem skipped{path, SkipKind::DamagedImage, image.error, image.status, image.damage};
    if (image.status == HeadStatus::NotFound)
        skipped.kind = SkipKind::CannotOpen;
    else if (image.status == HeadStatus::ReadError)
        skipped.kind = SkipKind::ReadError;
    else if (image.damage.empty())
        return std::nullopt;
    return skipped;
}

void ScanForVoices(MultiWalk& walk, const VoiceScanEvents& events)
{
    VoiceFileCheck check;
    std::size_t filesRead = 0;
    const auto read = [](const WalkItem& item) {
        thread_local std::vector<char> buffer(layout::HeadSize);
        return ReadWalkedFile(item, buffer.data(), false);
    };
    const auto consider = [&](const WalkItem& item, const ScannedFile& file) {
        if (auto skipped = check.Check(item, file))
            events.skipped(*skipped);
        else
            events.found(item.path, file);
    };
    const auto report = [&](const WalkItem& item, const ScannedFile& file) {
        if (item.kind == WalkKind::File)
            ++filesRead;
        if (!file.diskImage || item.kind != WalkKind::File) {
            consider(item, file);
            return;
        }
        const ScannedImage image = ReadWalkedImage(item, false);
        if (auto problem = VoiceFileCheck::ImageProblem(item.path, image))
            events.skipped(*problem);
        for (const ScannedMember& member : image.members)
            consider(WalkItem{member.path, WalkKind::File, nullptr, {}, 0}, member.file);
    };
    const auto goOn = [&] { return !events.batchDone || events.batchDone(filesRead); };
    ScanTree<ScannedFile>(walk, read, report, goOn);
}

}  // namespace skerrow
