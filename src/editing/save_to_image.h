#pragma once

#include "core/librarian.h"
#include "diskimage/fat_image.h"

#include <optional>
#include <string>

namespace skerrow {

namespace diskimage {
struct ImagePath;
}

// File > Save to disk image: refuses an empty destination, sets SaveSlots from the count, asks for
// an image (an existing one, or a new one of the size chosen) and a name, and saves the
// destination into it. A name of a file already on the disk is replaced only if the user agrees.
void SaveDestinationToImage(Librarian& lib);

// Saves the destination, with SaveSlots already set, as the file member inside the disk image at
// imagePath (member may name a folder of the image before the file's name). The name is typed in
// 8.3 form and gets the format's extension when it has none; a name that does not fit, another
// extension, a damaged or full image, a member marked read-only are refused with one message.
// newImage makes the image anew at that size instead of reading it, and never replaces a file
// that appears at imagePath meanwhile. With askBeforeReplacing a file of that name already there
// is replaced only after the user agreed. Returns whether the image now holds the file; *written
// then names it as the disk shows it (a replaced file keeps its own name).
bool SaveDestinationIntoImage(Librarian& lib, const std::string& imagePath, const std::string& member,
                              std::optional<diskimage::FloppySize> newImage, bool askBeforeReplacing,
                              std::string* written = nullptr);
// The same for a path already split, reading the image through the file the split opened.
bool SaveDestinationIntoImage(Librarian& lib, const diskimage::ImagePath& where,
                              std::optional<diskimage::FloppySize> newImage, bool askBeforeReplacing,
                              std::string* written = nullptr);

}  // namespace skerrow
