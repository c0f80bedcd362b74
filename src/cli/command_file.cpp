// list and info: one file opened exactly as File > Open opens it.
#include "cli/commands.h"

#include "cli/json.h"
#include "cli/selection.h"
#include "cli/usage.h"
#include "diskimage/image_file.h"
#include "editing/messages.h"
#include "editing/open_source.h"
#include "os/os.h"
#include "voicefile/layout.h"

namespace skerrow {

namespace {

// The size of the file at path, which may lead into a disk image; error says why there is none.
std::optional<std::uint64_t> SizeOf(const std::string& path, int& error)
{
    const os::OpenResult file = os::OpenForReading(path);
    if (file.file)
        return file.file.Size();
    error = file.error;
    const std::optional<diskimage::ImagePath> where = diskimage::SplitImagePath(path);
    if (!where)
        return std::nullopt;
    const diskimage::LoadedImage loaded = diskimage::LoadImage(*where);
    const diskimage::Member* member = loaded.image ? diskimage::FindFile(*loaded.image, *where) : nullptr;
    if (!member)
        return std::nullopt;
    return member->size;
}

}  // namespace

int RunList(const Arguments& args, const Console& console)
{
    if (args.operands.size() != 1)
        return UsageError(console, "list", "list takes exactly one FILE");

    ConsoleLibrarian cli(console);
    if (!LoadSourceFile(cli.lib, args.operands[0]))
        return ExitFailure;
    const bool json = args.Has("--json");
    for (int i = 0; i < cli.List1.Count(); ++i) {
        const std::string name = cli.List1.Text(i);
        if (json)
            WriteJsonLine(console.out, {{"slot", i + 1}, {"name", NameJson(name)}});
        else
            Write(console.out, std::to_string(i + 1) + '\t' + ShownOnOut(console, name, Field::Name) + '\n');
    }
    return FinishOutput(console, ExitOk);
}

int RunInfo(const Arguments& args, const Console& console)
{
    if (args.operands.size() != 1)
        return UsageError(console, "info", "info takes exactly one FILE");

    const std::string& path = args.operands[0];
    ConsoleLibrarian cli(console);
    if (!LoadSourceFile(cli.lib, path))
        return ExitFailure;
    int error = 0;
    const std::optional<std::uint64_t> fileSize = SizeOf(path, error);
    if (!fileSize) {
        cli.platform.MessageBox(NotFoundMessage(path), "Error", MessageIcon::Critical, MessageButtons::Ok,
                                {path, error});
        return ExitFailure;
    }

    const int slots = cli.state.SourceVoiceCount;
    const int voices = cli.List1.Count();
    const std::uint64_t size = *fileSize;
    // Blocks lie in slot order, so the missing ones are all the slots from the first missing on.
    int firstMissing = 1;
    while (firstMissing <= voices && layout::HoldsBlock(size, firstMissing))
        ++firstMissing;

    if (args.Has("--json")) {
        nlohmann::json record = nlohmann::json::object();
        AddPath(record, path);
        record["format"] = FormatName(slots);
        record["slots"] = slots;
        record["voices"] = voices;
        record["size"] = size;
        nlohmann::json missing = nlohmann::json::array();
        for (int slot = firstMissing; slot <= voices; ++slot)
            missing.push_back(slot);
        record["missing_blocks"] = missing;
        WriteJsonLine(console.out, record);
        return FinishOutput(console, firstMissing > voices ? ExitOk : ExitIncomplete);
    }
    std::string text = "Format: " + FormatName(slots) + "\n";
    text += "Slots: " + std::to_string(slots) + "\n";
    text += "Voices: " + std::to_string(voices) + "\n";
    text += "Size: " + std::to_string(size) + " bytes\n";
    if (firstMissing > voices)
        text += "Blocks: complete\n";
    else if (firstMissing == voices)
        text += "Blocks: missing for slot " + std::to_string(voices) + "\n";
    else
        text += "Blocks: missing for slots " + FormatSelection({{firstMissing, voices}}) + "\n";
    Write(console.out, text);
    return FinishOutput(console, firstMissing > voices ? ExitOk : ExitIncomplete);
}

}  // namespace skerrow
