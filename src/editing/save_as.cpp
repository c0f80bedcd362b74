#include "editing/save_as.h"

#include "core/save_name.h"
#include "diskimage/image_file.h"
#include "editing/messages.h"
#include "editing/open_source.h"
#include "voicefile/layout.h"

#include <algorithm>
#include <functional>
#include <memory>

namespace skerrow {

namespace {

constexpr ProgressWindow File = ProgressWindow::File;

// The file progress window, following the writer.
class FileProgress final : public WriteProgress {
public:
    explicit FileProgress(Platform& platform) : m_platform(platform) {}

    void Started(int slots) override
    {
        m_platform.ProgressSetValue(File, 0);
        m_platform.ProgressSetMaximum(File, slots);
        m_platform.ProgressShow(File);
        shown = true;
    }
    void SlotStarted(int slot) override
    {
        m_platform.ProgressSetValue(File, slot);
        m_platform.YieldEvents();
    }
    void VoiceRead(const std::string& name) override
    {
        m_platform.ProgressSetLabel(File, "Writing patch " + name + " ...");
    }

    bool shown = false;

private:
    Platform& m_platform;
};

// After a save that replaced a file the librarian reads from, makes what it shows and copies
// come from the new file: an entry that read from the old file reads its own voice, with the same
// bytes, in the new one, and the open source is read again (compared by identity taken before the
// save, as the replaced file no longer has a name).
void FollowReplacedFile(Librarian& lib, const std::string& path, const WriteResult& result,
                        const std::optional<os::FileId>& openSource)
{
    for (const std::size_t i : result.entriesFromReplaced)
        lib.state.DestEntries[i] = {path, static_cast<std::int16_t>(i + 1)};
    if (openSource == result.replaced)
        LoadSourceFile(lib, lib.state.CurrentSourcePath);
}

}  // namespace

bool ChooseSaveFormat(Librarian& lib)
{
    const int count = lib.List2.Count();
    if (count < 1) {
        lib.platform.MessageBox("Nothing to save!", "Info", MessageIcon::Information, MessageButtons::Ok);
        return false;
    }
    lib.state.SaveSlots = static_cast<std::int16_t>(layout::SaveSlotsFor(count));
    return true;
}

// A file whose extension does not tell its format would be opened as the wrong kind later.
void RefuseExtension(Librarian& lib)
{
    lib.platform.MessageBox("It is considered bad form to save a VL file\n"
                            "with an extension other than the recommended!",
                            "Stop", MessageIcon::Critical, MessageButtons::Ok);
    lib.state.SaveAborted = FlagTrue;
}

void SaveDestinationAs(Librarian& lib)
{
    if (!ChooseSaveFormat(lib))
        return;

    // The name is always "untitled" again: the format may differ from the last save's.
    FileDialogRequest request;
    request.kind = FileDialogKind::Save;
    request.cancelError = true;
    request.flags = SaveDialogFlags;
    request.defaultExt = std::string(layout::ExtensionFor(lib.state.SaveSlots));
    request.initialName = "untitled." + request.defaultExt;
    request.filter = SaveFilterFor(lib.state.SaveSlots);

    const FileDialogResult result = lib.platform.FileDialog(request);
    if ((result.flags & OfnExtensionDifferent) != 0) {
        RefuseExtension(lib);
        return;
    }
    if (result.outcome != FileDialogOutcome::Chosen) {
        lib.state.SaveAborted = FlagTrue;
        return;
    }
    // The dialog has applied the typed-name rule. The writer reports its own failures; to the
    // caller the file was handed over either way.
    WriteDestinationFile(lib, result.path);
}

bool SaveDestinationTo(Librarian& lib, const std::string& path)
{
    return ChooseSaveFormat(lib) && WriteDestinationFile(lib, path);
}

std::string SaveFilterFor(int slots)
{
    const std::string pattern = "*." + std::string(layout::ExtensionFor(slots));
    return "VL1 Files (" + pattern + ")|" + pattern;
}

bool WriteDestinationFile(Librarian& lib, const std::string& path, const os::ReplaceHooks& hooks)
{
    return WriteDestination(lib, path, [&] { return os::ReplaceFile(path, hooks); });
}

bool WriteDestination(Librarian& lib, const std::string& path,
                      const std::function<std::unique_ptr<os::ReplacingFile>()>& makeFile,
                      diskimage::AnySourceBlocks* given)
{
    const int count = std::min(lib.List2.Count(), MaxDestEntries);
    VoiceFileContents what;
    // Save As sets SaveSlots for the count; a value that cannot hold the list would make a
    // file that lies about its own contents, so the format then follows from the count.
    what.slotCount =
        layout::IsValidSlotCount(static_cast<unsigned>(lib.state.SaveSlots)) && count <= lib.state.SaveSlots
            ? lib.state.SaveSlots
            : layout::SaveSlotsFor(count);
    what.preamble = lib.state.SourceImage.substr(0, layout::PreambleSize);
    for (int i = 0; i < count; ++i) {
        const DestEntry& entry = lib.state.DestEntries[static_cast<std::size_t>(i)];
        what.entries.push_back({lib.List2.Text(i), entry.SourcePath, entry.VoiceNumber});
    }
    // One source of blocks for the whole save: each path is split, and each image read, once.
    diskimage::AnySourceBlocks own;
    diskimage::AnySourceBlocks& blocks = given ? *given : own;
    const std::optional<os::FileId> openSource = blocks.IdentityOf(lib.state.CurrentSourcePath);

    FileProgress progress(lib.platform);
    // The file is let go of before any message, so that a failed one has left nothing behind.
    const WriteResult result = [&] {
        const std::unique_ptr<os::ReplacingFile> file = makeFile();
        return WriteVoiceFile(what, blocks, *file, progress);
    }();
    if (progress.shown)
        lib.platform.ProgressClose(File);
    if (!result) {
        lib.platform.MessageBox(WriteFailureMessage(result, path), "Error", MessageIcon::Critical,
                                MessageButtons::Ok,
                                {WriteFailureSubject(result, path), result.error, result.notPlain});
        return false;
    }
    lib.state.ListSaved = FlagTrue;
    if (result.replaced)
        FollowReplacedFile(lib, path, result, openSource);
    return true;
}

}  // namespace skerrow
