// find: the voices of every voice file under the given paths, reading only each file's head.
#include "cli/commands.h"

#include "cli/ascii.h"
#include "cli/scan.h"
#include "cli/usage.h"
#include "voicefile/head_reader.h"
#include "voicefile/layout.h"

namespace skerrow {

namespace {

struct HeadVoices {
    HeadStatus status = HeadStatus::NotFound;
    std::vector<std::string> names;
};

HeadVoices ReadVoices(const WalkItem& item, std::size_t)
{
    const HeadResult head = ReadHead(item.path);
    HeadVoices voices;
    voices.status = head.status;
    if (head.status == HeadStatus::Ok)
        voices.names = layout::ListNames(head.image, head.slotCount);
    return voices;
}

// Why a file is no voice file, for --verbose; the reader's own words where they name no path.
std::string RefusalReason(HeadStatus status, const std::string& path)
{
    switch (status) {
    case HeadStatus::NotFound:
        return "cannot be opened";
    case HeadStatus::ReadError:
        return "read error";
    default:
        return HeadMessage(status, path);
    }
}

}  // namespace

int RunFind(const Arguments& args, const Console& console)
{
    if (args.operands.empty())
        return UsageError(console, "find", "no PATH given");
    const bool verbose = args.Has("--verbose");
    const auto needle = args.values.find("--name");
    const std::string text = needle == args.values.end() ? std::string() : needle->second;

    MultiWalk walk(args.operands);
    const bool allFound = ReportMissingRoots(console, walk);
    const auto nothingToPrepare = [](const std::vector<WalkItem>&, std::size_t) {};
    const auto report = [&](const WalkItem& item, const HeadVoices& voices) {
        if (item.kind != WalkKind::File) {
            ReportSkippedItem(console, item, verbose);
        } else if (voices.status != HeadStatus::Ok) {
            if (verbose)
                Write(console.err, item.path + ": " + RefusalReason(voices.status, item.path) + "\n");
        } else {
            for (std::size_t k = 0; k < voices.names.size(); ++k) {
                if (ContainsIgnoringAsciiCase(voices.names[k], text))
                    WriteVoiceLine(console.out, item.path, static_cast<int>(k) + 1, voices.names[k]);
            }
        }
    };
    ScanTree<HeadVoices>(walk, nothingToPrepare, ReadVoices, report);
    return FinishOutput(console, allFound ? ExitOk : ExitFailure);
}

}  // namespace skerrow
