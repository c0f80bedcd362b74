#pragma once

#include <string>
#include <string_view>

namespace skerrow {

enum class HeadStatus {
    Ok,
    NotFound,   // cannot be opened, or is not a regular file
    ReadError,  // the read itself failed
    Truncated,  // fewer than 3072 bytes
    BadCount,   // byte 50 is not 1, 16 or 128
};

struct HeadResult {
    HeadStatus status = HeadStatus::NotFound;
    std::string image;  // the 3072-byte head when status is Ok
    int slotCount = 0;
    int error = 0;  // the system's error number of NotFound and ReadError
};

// Checks the first bytes of a voice file (at least the head's 3072 when there are that many):
// Ok with the head and its count, or Truncated or BadCount.
HeadResult ParseHead(std::string_view bytes);

// Reads and checks the head of the file at path. Reads nothing past the head and keeps no
// file open.
HeadResult ReadHead(const std::string& path);

}  // namespace skerrow
