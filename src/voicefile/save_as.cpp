#include "voicefile/save_as.h"

#include "voicefile/layout.h"
#include "voicefile/writer.h"

namespace skerrow {

void SaveDestinationAs(Librarian& lib)
{
    const int count = lib.List2.Count();
    if (count < 1) {
        lib.platform.MessageBox("Nothing to save!", "Info", MessageIcon::Information, MessageButtons::Ok);
        return;
    }

    const int slots = layout::SaveSlotsFor(count);
    lib.state.SaveSlots = static_cast<std::int16_t>(slots);

    // The name is always "untitled" again: the format may differ from the last save's.
    FileDialogRequest request;
    request.kind = FileDialogKind::Save;
    request.cancelError = true;
    request.flags = SaveDialogFlags;
    request.defaultExt = std::string(layout::ExtensionFor(slots));
    request.initialName = "untitled." + request.defaultExt;
    request.filter = SaveFilterFor(slots);

    const FileDialogResult result = lib.platform.FileDialog(request);

    // A file whose extension does not tell its format would be opened as the wrong kind later.
    if ((result.flags & OfnExtensionDifferent) != 0) {
        lib.platform.MessageBox("It is considered bad form to save a VL file\n"
                                "with an extension other than the recommended!",
                                "Stop", MessageIcon::Critical, MessageButtons::Ok);
        lib.state.SaveAborted = FlagTrue;
        return;
    }
    if (result.outcome != FileDialogOutcome::Chosen) {
        lib.state.SaveAborted = FlagTrue;
        return;
    }
    // The writer reports its own failures; to the caller the file was handed over either way.
    WriteDestinationFile(lib, result.path);
}

std::string SaveFilterFor(int slots)
{
    const std::string pattern = "*." + std::string(layout::ExtensionFor(slots));
    return "VL1 Files (" + pattern + ")|" + pattern;
}

}  // namespace skerrow
