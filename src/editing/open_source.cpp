#include "editing/open_source.h"

#include "core/paths.h"
#include "diskimage/image_file.h"
#include "editing/messages.h"
#include "voicefile/head_reader.h"
#include "voicefile/layout.h"

namespace skerrow {

void OpenSourceFile(Librarian& lib)
{
    FileDialogRequest request;
    request.kind = FileDialogKind::Open;
    request.cancelError = true;
    request.flags = OpenDialogFlags;
    request.defaultExt = "";
    request.initialName = "";
    request.filter = OpenDialogFilter;

    const FileDialogResult result = lib.platform.FileDialog(request);
    if (result.outcome != FileDialogOutcome::Chosen)
        return;
    OpenSourcePath(lib, result.path);
}

namespace {

// Lists the voice files of the image at path and loads the one the user chooses.
bool ChooseFromImage(Librarian& lib, const std::string& path)
{
    const diskimage::LoadedImage loaded = diskimage::LoadImage(path);
    if (!loaded.image) {
        lib.platform.MessageBox(ImageFailureMessage(loaded, path), "Error", MessageIcon::Critical,
                                MessageButtons::Ok, {path, loaded.error});
        return false;
    }
    const std::vector<diskimage::VoiceMember> voices = diskimage::VoiceMembers(*loaded.image);
    if (voices.empty()) {
        lib.platform.MessageBox("No voice file on the disk image " + path, "Info", MessageIcon::Information,
                                MessageButtons::Ok);
        return false;
    }
    std::vector<ImageMemberRow> rows;
    for (const diskimage::VoiceMember& voice : voices)
        rows.push_back({voice.member->path, FormatName(voice.slots), voice.voices});
    const std::optional<int> chosen = lib.platform.ChooseImageMember(path, rows);
    if (!chosen || *chosen < 0 || *chosen >= static_cast<int>(voices.size()))
        return false;
    return LoadSourceFile(lib, JoinPath(path, voices[static_cast<std::size_t>(*chosen)].member->path));
}

}  // namespace

bool OpenSourcePath(Librarian& lib, const std::string& path)
{
    return diskimage::IsDiskImage(path) ? ChooseFromImage(lib, path) : LoadSourceFile(lib, path);
}

std::optional<HeadResult> ReadSourceHead(Librarian& lib, const std::string& path,
                                         std::optional<diskimage::ImagePath>* inImage)
{
    std::string damage;
    HeadResult head = diskimage::ReadAnyHead(path, &damage, inImage);
    if (head.status != HeadStatus::Ok) {
        // A disk image given where a voice file was expected: say how to name a file inside it.
        const std::string text =
            !damage.empty() ? path + ": " + damage
            : diskimage::IsDiskImage(path)
                ? path + " is a disk image: name a voice file on it, as in " + JoinPath(path, "NAME.1BK")
                : HeadMessage(head.status, path);
        lib.platform.MessageBox(text, "Error", MessageIcon::Critical, MessageButtons::Ok,
                                {path, head.error, head.notPlain});
        return std::nullopt;
    }
    return head;
}

bool LoadSourceFile(Librarian& lib, const std::string& path)
{
    std::optional<diskimage::ImagePath> inImage;
    std::optional<HeadResult> head = ReadSourceHead(lib, path, &inImage);
    if (!head)
        return false;

    lib.state.SourceImage = std::move(head->image);
    lib.state.CurrentSourcePath = path;
    lib.state.SourceVoiceCount = static_cast<std::int16_t>(head->slotCount);
    lib.caption.SetText("Skerrow (" + (inImage ? diskimage::ShownMemberPath(*inImage) : FileNameOf(path)) +
                        ")");
    FillSourceList(lib);
    return true;
}

void FillSourceList(Librarian& lib)
{
    lib.List1.Clear();
    if (lib.state.SourceImage.size() >= layout::HeadSize) {
        for (const std::string& name : layout::ListNames(lib.state.SourceImage, lib.state.SourceVoiceCount))
            lib.List1.AddItem(name);
    }
    RefreshSourceCount(lib);
}
}  // namespace skerrow
