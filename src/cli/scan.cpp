#include "cli/scan.h"

namespace skerrow {

bool ReportMissingRoots(const Console& console, const MultiWalk& walk)
{
    for (const std::string& root : walk.Missing())
        Write(console.err, root + " not found.\n");
    return walk.Missing().empty();
}

void ReportSkippedItem(const Console& console, const WalkItem& item, bool verbose)
{
    switch (item.kind) {
    case WalkKind::File:
        return;
    case WalkKind::UnreadableFolder:
        Write(console.err, item.path + ": folder cannot be read\n");
        return;
    case WalkKind::FolderLoop:
        Write(console.err, item.path + ": folder already being walked, not entered again\n");
        return;
    case WalkKind::SymbolicLink:
        if (verbose)
            Write(console.err, item.path + ": symbolic link, not followed\n");
        return;
    case WalkKind::OtherType:
        if (verbose)
            Write(console.err, item.path + ": not a regular file\n");
        return;
    }
}

}  // namespace skerrow
