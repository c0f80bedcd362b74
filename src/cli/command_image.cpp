// image: floppy disk images for the drive emulators that serve one image file per disk.
#include "cli/commands.h"

#include "cli/usage.h"
#include "core/file_io.h"
#include "diskimage/fat_image.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <unistd.h>

namespace skerrow {

namespace {

// Creates a file that was not there with the given bytes, flushed to the disk; a file of that
// name is never overwritten (a disk image full of voices is worth more than a new empty one),
// and a half-written file is removed. Returns 0 or the errno of the failure.
int CreateNewFile(const std::string& path, const std::string& bytes)
{
    FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!fd)
        return errno;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd.Get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    int error = done == bytes.size() ? 0 : (errno != 0 ? errno : ENOSPC);
    if (error == 0 && ::fsync(fd.Get()) != 0)
        error = errno;
    if (fd.Close() != 0 && error == 0)
        error = errno;
    if (error != 0)
        ::unlink(path.c_str());
    return error;
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
    // The volume serial number only tells disks apart, so the time of making will do.
    const auto serial =
        static_cast<std::uint32_t>(std::chrono::system_clock::now().time_since_epoch().count());
    const std::string image = diskimage::FormatFatImage(
        small ? diskimage::FloppySize::Kb720 : diskimage::FloppySize::Kb1440, serial);
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
