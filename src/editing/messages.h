#pragma once

#include "voicefile/head_reader.h"
#include "voicefile/writer.h"

#include <string>

namespace skerrow {

// The words of the messages about files, in one place for the window and the command line.

std::string NotFoundMessage(const std::string& path);
std::string ReadErrorMessage(const std::string& path);

// The message the open command shows for a refused file; empty for HeadStatus::Ok.
std::string HeadMessage(HeadStatus status, const std::string& path);

// The message a failed save shows: target is the file being written, result tells which step
// failed and, for a source, which file.
std::string WriteFailureMessage(const WriteResult& result, const std::string& target);

// The file a failed save's message is about: the target, or the source that could not be read.
const std::string& WriteFailureSubject(const WriteResult& result, const std::string& target);

}  // namespace skerrow
