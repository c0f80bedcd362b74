// build: the window's own open, copy, sort and Save As, driven from the command line.
#include "cli/commands.h"

#include "cli/selection.h"
#include "cli/usage.h"
#include "core/save_name.h"
#include "diskimage/image_file.h"
#include "editing/copy_voices.h"
#include "editing/open_source.h"
#include "editing/save_as.h"
#include "editing/save_to_image.h"
#include "editing/sort_entries.h"
#include "voicefile/layout.h"

namespace skerrow {

namespace {

enum class CopyOutcome { Copied, NotListed, Full };

// Appends the voice in slot (1-based) of the open source, as a copy from its list would.
CopyOutcome CopySlot(Librarian& lib, int slot)
{
    if (slot > lib.List1.Count())
        return CopyOutcome::NotListed;
    if (lib.List2.Count() >= MaxDestEntries)
        return CopyOutcome::Full;
    AppendDestEntry(lib, slot - 1);
    return CopyOutcome::Copied;
}

// Opens one SOURCE argument and copies its selection. Returns an exit code when the build has to
// stop, having told why.
std::optional<int> AddSource(Librarian& lib, const std::string& argument)
{
    const SourceArgument source = SplitSourceArgument(argument);
    if (!LoadSourceFile(lib, source.path))
        return ExitFailure;

    const std::vector<SlotRange> selection =
        source.selection.value_or(std::vector<SlotRange>{{1, lib.List1.Count()}});
    for (const SlotRange& range : selection) {
        // A range past the listed voices stops at its first unlisted slot (at most 129), however
        // far it reaches.
        for (int slot = range.first; slot <= range.last; ++slot) {
            switch (CopySlot(lib, slot)) {
            case CopyOutcome::Copied:
                break;
            case CopyOutcome::NotListed:
                lib.platform.MessageBox("Slot " + std::to_string(slot) + " is not a listed voice of " +
                                            source.path + ".",
                                        "Error", MessageIcon::Critical, MessageButtons::Ok);
                return ExitUsage;
            case CopyOutcome::Full:
                lib.platform.MessageBox("Destination list is full (at most " +
                                            std::to_string(MaxDestEntries) + " voices)",
                                        "Info", MessageIcon::Information, MessageButtons::Ok);
                return ExitUsage;
            }
        }
    }
    return std::nullopt;
}

}  // namespace

int RunBuild(const Arguments& args, const Console& console)
{
    if (args.operands.size() < 2)
        return UsageError(console, "build", args.operands.empty() ? "no OUTPUT given" : "no SOURCE given");

    ConsoleLibrarian cli(console);
    Librarian& lib = cli.lib;
    for (std::size_t i = 1; i < args.operands.size(); ++i) {
        if (const auto stop = AddSource(lib, args.operands[i]))
            return *stop;
    }
    RefreshDestCount(lib);
    if (args.Has("--sort"))
        SortDestination(lib);

    // Save As decides the format and hands the name to the writer; what it would refuse is told
    // first here, naming the source or OUTPUT the refusal is about.
    const std::string& output = args.operands[0];
    const int count = cli.List2.Count();
    if (count == 0) {
        std::string sources;
        for (std::size_t i = 1; i < args.operands.size(); ++i)
            sources += (i == 1 ? "" : ", ") + SplitSourceArgument(args.operands[i]).path;
        lib.platform.MessageBox("Nothing to save! (no voice listed in " + sources + ")", "Info",
                                MessageIcon::Information, MessageButtons::Ok);
        return ExitUsage;
    }
    const std::string_view extension = layout::ExtensionFor(layout::SaveSlotsFor(count));
    const SaveName name = SaveNameFor(output, extension);
    if (name.extensionDiffers) {
        lib.platform.MessageBox(output +
                                    ": It is considered bad form to save a VL file\n"
                                    "with an extension other than the recommended! (expected ." +
                                    std::string(extension) + ")",
                                "Stop", MessageIcon::Critical, MessageButtons::Ok, {output});
        return ExitUsage;
    }
    // OUTPUT inside a disk image is written into the image, replacing a file of its name there.
    const std::optional<diskimage::ImagePath> intoImage = diskimage::SplitImagePath(name.path);
    std::string written = name.path;
    const bool saved = intoImage
                           ? ChooseSaveFormat(lib) &&
                                 SaveDestinationIntoImage(lib, *intoImage, std::nullopt, false, &written)
                           : SaveDestinationTo(lib, name.path);
    if (!saved)
        return ExitFailure;

    Write(console.out, "Wrote " + ShownOnOut(console, written, Field::Path) + ": " +
                           FormatName(cli.state.SaveSlots) + ", " + std::to_string(count) +
                           (count == 1 ? " voice\n" : " voices\n"));
    // OUTPUT is in place whatever becomes of this line: its loss must not read as a failed write.
    return FinishOutput(console, ExitOk) == ExitOk ? ExitOk : ExitWrittenUnreported;
}

}  // namespace skerrow
