#pragma once

#include <nlohmann/json.hpp>

#include <cstdio>
#include <string_view>

namespace skerrow {

// Names as JSON text: each byte read as the Latin-1 character it stands for, so that every byte
// comes back from the text.
nlohmann::json NameJson(std::string_view name);

// Sets "path" to the path as text: exact when it is valid UTF-8; otherwise with U+FFFD for each
// invalid byte, and "path_bytes" added, the exact bytes as an array of numbers.
void AddPath(nlohmann::json& record, std::string_view path);

// {"path": ..., "slot": ..., "name": ...}
nlohmann::json VoiceJson(std::string_view path, int slot, std::string_view name);

// The record on one line, ended by a line feed.
void WriteJsonLine(std::FILE* stream, const nlohmann::json& record);

}  // namespace skerrow
