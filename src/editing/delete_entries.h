#pragma once

#include "core/librarian.h"

namespace skerrow {

// Removes destination item index and closes the gap in DestEntries.
void RemoveDestEntryAt(Librarian& lib, int index);

// The delete button: every selected entry, topmost first; with Shift alone held as the button
// was pressed, the New command instead. Rewrites the count text once at the end.
void DeleteSelectedEntries(Librarian& lib);

// The delete button without Shift, whatever the last press held: what the Delete key runs.
void RemoveSelectedEntries(Librarian& lib);

// Double-click in the destination list: removes the current item only. A double-click that
// landed on no item removes nothing.
void DeleteCurrentEntry(Librarian& lib);

}  // namespace skerrow
