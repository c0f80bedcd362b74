#pragma once

#include "core/librarian.h"
#include "voicefile/writer.h"

#include <functional>
#include <memory>

namespace skerrow {

namespace diskimage {
class AnySourceBlocks;
}

inline constexpr std::uint32_t SaveDialogFlags =
    OfnOverwritePrompt | OfnHideReadOnly | OfnPathMustExist;  // 0x806

// File > Save as: refuses an empty destination, sets SaveSlots from the count, asks for a name
// with the format's extension, refuses another extension as the dialog reports it (the "Stop"
// message) and writes the file at the path the dialog made of the typed name by SaveNameFor. Tells
// its caller that no file reached the writer only by setting SaveAborted to true (it never clears
// it).
void SaveDestinationAs(Librarian& lib);

// Save As for a path the caller has already made of the typed name by SaveNameFor and found of
// the right extension: refuses an empty destination ("Nothing to save!"), sets SaveSlots from the
// count, then writes the file. Returns whether a complete file was written.
bool SaveDestinationTo(Librarian& lib, const std::string& path);

// The single filter pair the save dialog offers for a slot count, e.g. "VL1 Files (*.1bk)|*.1bk".
std::string SaveFilterFor(int slots);

// Sets SaveSlots for the destination's count, or shows "Nothing to save!" for an empty one.
// Returns whether there is something to save.
bool ChooseSaveFormat(Librarian& lib);

// The "Stop" message for a name with another extension than the format's; SaveAborted becomes true.
void RefuseExtension(Librarian& lib);

// WriteDestinationFile into the replacement makeFile gives; target names the file in the messages
// and in the entries that follow it once it replaced one they read from. blocks, when given, is
// the save's source of voice blocks, holding what the save read already.
bool WriteDestination(Librarian& lib, const std::string& target,
                      const std::function<std::unique_ptr<os::ReplacingFile>()>& makeFile,
                      diskimage::AnySourceBlocks* blocks = nullptr);

// Writes the destination list as a voice file of SaveSlots slots at path (see WriteVoiceFile),
// with the file progress window, and sets ListSaved once the file is complete. A failure gets
// one message ("Error", critical icon) naming its cause. Returns whether the file was written.
bool WriteDestinationFile(Librarian& lib, const std::string& path, const os::ReplaceHooks& hooks = {});

}  // namespace skerrow
