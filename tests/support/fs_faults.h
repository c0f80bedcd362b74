#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace skerrow::test {

// Runs body in a forked child process whose files may not grow past limitBytes
// (RLIMIT_FSIZE), with SIGXFSZ ignored so that a write past the limit fails with EFBIG
// instead of ending the child: a full disk that even root cannot write past. The child's
// checks cannot reach the test framework, so body reports them as text: its result comes back
// here unchanged, or a description of how the child ended if it did not return.
std::string RunWithFileSizeLimit(std::uint64_t limitBytes, const std::function<std::string()>& body,
                                 bool ignoreSignal = true);

// Runs body in a forked child as the user uid with the groups given (the first its own group),
// reporting back as RunWithFileSizeLimit does. The tests run as root, which ignores permissions.
std::string RunAsUser(unsigned uid, const std::vector<unsigned>& groups,
                      const std::function<std::string()>& body);

}  // namespace skerrow::test
