// image: floppy disk images for the drive emulators that serve one image file per disk.
#include "cli/commands.h"

#include "cli/usage.h"
#include "diskimage/image_file.h"
#include "os/os.h"

#include <cerrno>
#include <memory>

namespace skerrow {

namespace {

// Creates a file that was not there with the given bytes, put in place only once complete and
// on disk; a file of that name is never overwritten, not even one that appears while the new one
// is written (a disk image full of voices is worth more than a new empty one). Returns 0 or the
// system's error number of the failure.
int CreateNewFile(const std::string& path, const std::string& bytes)
{
    if (os::EntryExists(path))
        return EEXIST;
    const std::unique_ptr<os::ReplacingFile> file = os::ReplaceFile(path, {}, os::ReplaceMode::NewOnly);
    if (!file->Create() || !file->Write(bytes) || !file->Commit())
        return file->Error();
    return 0;
}

}  // namespace

int RunImage(const Arguments& args, const Console& console)
{
    if (args.operands.empty() || args.operands[0] != "new")
        return UsageError(console, "image",
                          args.operands.empty() ? "no action given"
                                                : "unknown action '" + args.operands[0] + "'");
    if (args.operands.size() != 2)
        return UsageError(console, "image", "image new takes exactly one IMAGE");
    const bool small = args.Has("--720k");
    if (small == args.Has("--1440k"))
        return UsageError(console, "image",
                          small ? "--720k and --1440k exclude each other" : "give --720k or --1440k");

    const std::string& path = args.operands[1];
    const std::string image =
        diskimage::NewFatImage(small ? diskimage::FloppySize::Kb720 : diskimage::FloppySize::Kb1440);
    if (const int error = CreateNewFile(path, image)) {
        Write(console.err,
              "Creation error: " + ShownOnErr(console, path, Field::Path) + " (" + Reason(error) + ")\n");
        return ExitFailure;
    }
    Write(console.out, "Wrote " + ShownOnOut(console, path, Field::Path) + ": empty " +
                           (small ? "720 KB" : "1.44 MB") + " disk image\n");
    return FinishOutput(console, ExitOk) == ExitOk ? ExitOk : ExitWrittenUnreported;
}

}  // namespace skerrow
