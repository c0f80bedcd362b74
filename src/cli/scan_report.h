#pragma once

#include "cli/output.h"
#include "collection/voice_scan.h"

#include <string>

namespace skerrow {

// Says on the error stream what a scan passed over and why, and remembers whether anything was
// passed over for an error, for the exit status. One file reached twice (named twice, through a
// link to its folder, or by a hard link) counts once: the first path in walk order.
class ScanReport {
public:
    ScanReport(const Console& console, bool verbose) : m_console(console), m_verbose(verbose) {}

    // Reports the roots that could not be reached.
    void MissingRoots(const MultiWalk& walk);

    // Whether item is a voice file to list, having told whatever else it is.
    bool Accept(const WalkItem& item, const ScannedFile& file);

    // Tells what a scan passed over and why.
    void Tell(const SkippedItem& skipped);

    // The voice files inside item, a disk image by its scan, that Accept accepts; tells what made
    // the image unreadable. With blocks each member's bytes hold its listed voices' blocks too.
    std::vector<ScannedMember> AcceptImageMembers(const WalkItem& item, bool blocks);

    // A note on the file at path, on its own line: always, or only with --verbose.
    void Note(const std::string& path, const std::string& text, bool always);

    // A note on something passed over for an error, which makes the exit status a failure.
    void Problem(const std::string& path, const std::string& text);

    // ExitFailure when a root was missing or anything was passed over for an error, else ExitOk.
    int ExitCode() const;

private:
    const Console& m_console;
    bool m_verbose;
    bool m_failed = false;
    VoiceFileCheck m_check;
};

}  // namespace skerrow
