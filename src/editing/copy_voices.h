#pragma once

#include "core/librarian.h"

#include <string>

namespace skerrow {

// Appends source item sourceIndex to the destination, with an entry naming the open source
// file and the voice's 1-based slot. The caller checks the capacity.
void AppendDestEntry(Librarian& lib, int sourceIndex);

// Appends an item showing name to the destination, with an entry naming path and the 1-based
// voiceNumber in it. The caller checks the capacity.
void AppendDestEntry(Librarian& lib, const std::string& name, const std::string& path, int voiceNumber);

// The "Info" message of a copy that no longer fits. The copy-all and double-click wording has no
// full stop; the selection's has one.
void ShowDestinationFull(Librarian& lib, bool withFullStop = false);

// Double-click in the source list: copies the current source item. A double-click that landed
// on no item copies nothing and leaves the list as it was.
void CopyCurrentVoice(Librarian& lib);

// The copy button: every selected source voice in source order, or every voice when Shift alone
// was held as the button was pressed. Stops at the first voice that no longer fits.
void CopySelectedVoices(Librarian& lib);

// The copy button's selection mode, whatever the last press held: what Enter in the source list
// copies.
void CopyVoiceSelection(Librarian& lib);

// Appends the selected source voices (every voice when all), in source order, as long as they
// fit. Returns false when a voice was left out because the destination is full; shows nothing.
bool AppendSourceVoices(Librarian& lib, bool all);

}  // namespace skerrow
