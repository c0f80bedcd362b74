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
    int error = 0;          // the system's error number of NotFound and ReadError
    bool notPlain = false;  // NotFound because a pipe, a device or a socket stands at the path
};

// Checks the bytes at the start of a file, as many as it holds up to layout::HeadSize: Ok,
// Truncated or BadCount, with slotCount set when Ok.
HeadStatus ParseHead(std::string_view bytes, int& slotCount);

// Reads and checks the head of the file at path. Reads nothing past the head and keeps no
// file open.
HeadResult ReadHead(const std::string& path);

}  // namespace skerrow
