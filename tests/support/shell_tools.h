#pragma once

#include <string>

namespace skerrow::test {

// Runs a shell command with mtools' geometry check off and a UTF-8 locale, stderr folded into
// the output. Returns its exit status (as pclose gives it, 0 for success).
int Shell(const std::string& command, std::string* output = nullptr);

// text in single quotes, for a shell command.
std::string Quote(const std::string& text);

// An empty floppy image made by mformat at path, 1440 or 720 KB; false when mformat failed.
bool MformatImage(const std::string& path, int kilobytes = 1440);

// Copies the bytes into the image as ::member with mcopy; false on failure.
bool McopyIn(const std::string& image, const std::string& member, const std::string& bytes);

// The bytes of ::member of the image as mcopy reads them; empty when it fails.
std::string McopyOut(const std::string& image, const std::string& member);

}  // namespace skerrow::test
