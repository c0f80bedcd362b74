#pragma once

namespace skerrow {

// Exit codes of skerrow-cli.
inline constexpr int ExitOk = 0;
inline constexpr int ExitFailure = 1;            // a refused or unreadable file, a failed write
inline constexpr int ExitUsage = 2;              // a command line or a request that cannot be carried out
inline constexpr int ExitIncomplete = 3;         // info: the file lacks some of its voice blocks
inline constexpr int ExitWrittenUnreported = 4;  // build: OUTPUT was written, but saying so failed

}  // namespace skerrow
