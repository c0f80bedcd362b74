#include "editing/open_source.h"

#include "core/paths.h"
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
    LoadSourceFile(lib, result.path);
}

bool LoadSourceFile(Librarian& lib, const std::string& path)
{
    HeadResult head = ReadHead(path);
    if (head.status != HeadStatus::Ok) {
        lib.platform.MessageBox(HeadMessage(head.status, path), "Error", MessageIcon::Critical,
                                MessageButtons::Ok, {path, head.error, head.notPlain});
        return false;
    }

    lib.state.SourceImage = std::move(head.image);
    lib.state.CurrentSourcePath = path;
    lib.state.SourceVoiceCount = static_cast<std::int16_t>(head.slotCount);
    lib.caption.SetText("Skerrow (" + FileNameOf(path) + ")");
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
