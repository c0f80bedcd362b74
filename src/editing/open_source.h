#pragma once

#include "core/librarian.h"

#include <string>

namespace skerrow {

inline constexpr const char* OpenDialogFilter =
    "VL1 Files (*.1vc;*.1bk;*.avc)|*.1vc;*.1bk;*.avc|All Files (*.*)|*.*";
inline constexpr std::uint32_t OpenDialogFlags = OfnFileMustExist | OfnPathMustExist;  // 0x1800

// File > Open: asks for a file and loads it. A cancelled or failed dialog changes nothing and
// shows nothing.
void OpenSourceFile(Librarian& lib);

// Makes the file at path the source when its head passes the checks. A refused file gets one
// message ("Error", critical icon) and leaves the whole source side as it was.
// Returns whether the file became the source.
bool LoadSourceFile(Librarian& lib, const std::string& path);

// Rebuilds List1 from SourceImage and SourceVoiceCount, then the source count text.
void FillSourceList(Librarian& lib);

}  // namespace skerrow
