#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace skerrow::test {

// Runs body in a forked child process whose files may not grow past limitBytes
// (RLIMIT_FSIZE), with SIGXFSZ ignored so that a write past the limit fails with EFBIG
// instead of ending the child: a full disk that even root cannot write past. The child's
// checks cannot reach the test framework, so body reports them as text: its result comes back
// here unchanged, or a description of how the child ended if it did not return.
std::string RunWithFileSizeLimit(std::uint64_t limitBytes, const std::function<std::string()>& body);

}  // namespace skerrow::test
