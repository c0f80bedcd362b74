#pragma once

#include "core/librarian.h"

namespace skerrow {

inline constexpr std::uint32_t SaveDialogFlags = OfnOverwritePrompt | OfnHideReadOnly | OfnPathMustExist;  // 0x806

// File > Save as: refuses an empty destination, sets SaveSlots from the count, asks for a name
// with the format's extension and hands it to WriteDestinationFile. Tells its caller that no
// file reached the writer only by setting SaveAborted to true (it never clears it).
void SaveDestinationAs(Librarian& lib);

// The single filter pair the save dialog offers for a slot count, e.g. "VL1 Files (*.1bk)|*.1bk".
std::string SaveFilterFor(int slots);

}  // namespace skerrow
