#pragma once

#include "core/librarian.h"

#include <cstddef>
#include <functional>
#include <string>
#include <sys/types.h>

namespace skerrow {

// Writes the destination list as a voice file of SaveSlots slots at path: the head built from
// the destination's names, then each entry's block read from its own source file, then zero
// blocks. The file that was at path is replaced only once the new one is complete; on any
// failure it stays as it was, one message ("Error", critical icon) names the cause, and
// nothing is left behind. ListSaved becomes true only after a complete file.
// Returns whether the file was written.
bool WriteDestinationFile(Librarian& lib, const std::string& path);

namespace detail {

// The calls the writer makes on the new file, replaceable so that a test can make a write or
// the flush to disk fail part-way. An empty function means the system call (::write, ::fsync).
struct WriterIo {
    std::function<ssize_t(int fd, const void* data, std::size_t size)> write;
    std::function<int(int fd)> fsync;
};

// Installs io for the writes that follow and returns the one it replaces.
WriterIo SetWriterIo(WriterIo io);

}  // namespace detail

}  // namespace skerrow
