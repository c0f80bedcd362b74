// find: the voices of every voice file under the given paths, reading only each file's head.
#include "cli/commands.h"

#include "cli/scan_report.h"
#include "cli/usage.h"
#include "core/ascii.h"

namespace skerrow {

RecordFormat RecordFormatOf(const Arguments& args)
{
    if (args.Has("--json"))
        return RecordFormat::Json;
    return args.Has("-0") || args.Has("--null") ? RecordFormat::Null : RecordFormat::Lines;
}

int RunFind(const Arguments& args, const Console& console)
{
    if (args.operands.empty())
        return UsageError(console, "find", "no PATH given");
    const auto needle = args.values.find("--name");
    const std::string text =
        needle == args.values.end() ? std::string() : NameFromLocale(needle->second, console.charset);
    const RecordFormat format = RecordFormatOf(args);

    MultiWalk walk(args.operands);
    ScanReport report(console, args.Has("--verbose"));
    report.MissingRoots(walk);
    ScanForVoices(walk, {[&](const std::string& path, const ScannedFile& file) {
                             for (std::size_t k = 0; k < file.names.size(); ++k) {
                                 if (ContainsIgnoringAsciiCase(file.names[k], text))
                                     WriteVoiceRecord(console, format, path, static_cast<int>(k) + 1,
                                                      file.names[k]);
                             }
                         },
                         [&](const SkippedItem& skipped) { report.Tell(skipped); },
                         {}});
    return FinishOutput(console, report.ExitCode());
}

}  // namespace skerrow
