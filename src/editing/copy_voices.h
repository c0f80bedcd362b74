#pragma once

#include "core/librarian.h"

namespace skerrow {

// Appends source item sourceIndex to the destination, with an entry naming the open source
// file and the voice's 1-based slot. The caller checks the capacity.
void AppendDestEntry(Librarian& lib, int sourceIndex);

// Double-click in the source list: copies the current source item. A double-click that landed
// on no item copies nothing and leaves the list as it was.
void CopyCurrentVoice(Librarian& lib);

// The copy button: every selected source voice in source order, or every voice when Shift alone
// was held as the button was pressed. Stops at the first voice that no longer fits.
void CopySelectedVoices(Librarian& lib);

}  // namespace skerrow
