#pragma once

#include "core/librarian.h"

#include <string>

namespace skerrow {

// Writes the destination list as a voice file of SaveSlots slots at path: the head built from
// the destination's names, then each entry's block read from its own source file, then zero
// blocks. The file that was at path is replaced only once the new one is complete; on any
// failure it stays as it was, one message ("Error", critical icon) names the cause, and
// nothing is left behind. ListSaved becomes true only after a complete file.
// Returns whether the file was written.
bool WriteDestinationFile(Librarian& lib, const std::string& path);

}  // namespace skerrow
