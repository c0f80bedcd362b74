#pragma once

#include "core/librarian.h"
#include "voicefile/head_reader.h"

#include <optional>

#include <string>

namespace skerrow {

namespace diskimage {
struct ImagePath;
}

inline constexpr const char* OpenDialogFilter = "VL1 Files (*.1vc;*.1bk;*.avc)|*.1vc;*.1bk;*.avc|"
                                                "Disk images (*.img;*.ima)|*.img;*.ima|"
                                                "All Files (*.*)|*.*";
inline constexpr std::uint32_t OpenDialogFlags = OfnFileMustExist | OfnPathMustExist;  // 0x1800

// File > Open: asks for a file and loads it. A cancelled or failed dialog changes nothing and
// shows nothing.
void OpenSourceFile(Librarian& lib);

// Opens what the user picked or dropped: a voice file is loaded; a disk image (told by its boot
// sector, whatever its name) lists its voice files for the user to choose one, which is loaded.
// Returns whether a file became the source.
bool OpenSourcePath(Librarian& lib, const std::string& path);

// Makes the file at path, which may lead into a disk image, the source when its head passes the checks. A
// refused file gets one message ("Error", critical icon) and leaves the whole source side as it was. Returns
// whether the file became the source.
bool LoadSourceFile(Librarian& lib, const std::string& path);

// The head of the file at path, which may lead into a disk image, when it passes the checks that
// make a file a source; otherwise shows the one message LoadSourceFile would show for it and
// returns nothing. *inImage is set to the split of a path that goes into a disk image.
std::optional<HeadResult> ReadSourceHead(Librarian& lib, const std::string& path,
                                         std::optional<diskimage::ImagePath>* inImage = nullptr);

// Rebuilds List1 from SourceImage and SourceVoiceCount, then the source count text.
void FillSourceList(Librarian& lib);

}  // namespace skerrow
