#pragma once

#include "core/librarian.h"

namespace skerrow {

// Reasons for closing the main window, as the close request receives them.
inline constexpr int CloseByUser = 0;
inline constexpr int CloseByProgram = 1;
inline constexpr int CloseBySessionEnd = 2;
inline constexpr int CloseByTaskManager = 3;

// Asks whether to save a destination that has entries and is not saved. Returns whether the
// caller may go on: false on Cancel, and after Yes unless the save really completed.
bool PromptToSave(Librarian& lib);

// File > New: empties the destination list after the prompt.
void NewDestinationList(Librarian& lib);

// The main window's close request: returns true when the window must stay open. Closes that do
// not come from the user or the Exit command never prompt.
bool QueryUnloadCancels(Librarian& lib, int reason);

}  // namespace skerrow
