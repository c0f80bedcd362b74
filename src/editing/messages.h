#pragma once

#include "diskimage/image_file.h"
#include "voicefile/head_reader.h"
#include "voicefile/writer.h"

#include <string>

namespace skerrow {

// The words of the messages about files, in one place for the window and the command line.

// "single voice (.1vc)", "bank (.1bk)" or "all voices (.avc)" for slot counts 1, 16 and 128.
std::string FormatName(int slots);

std::string NotFoundMessage(const std::string& path);
std::string ReadErrorMessage(const std::string& path);

// The message the open command shows for a refused file; empty for HeadStatus::Ok.
std::string HeadMessage(HeadStatus status, const std::string& path);

// The message for a disk image that could not be read as one.
std::string ImageFailureMessage(const diskimage::LoadedImage& loaded, const std::string& path);

// The message a failed save shows: target is the file being written, result tells which step
// failed and, for a source, which file.
std::string WriteFailureMessage(const WriteResult& result, const std::string& target);

// The file a failed save's message is about: the target, or the source that could not be read.
const std::string& WriteFailureSubject(const WriteResult& result, const std::string& target);

}  // namespace skerrow
