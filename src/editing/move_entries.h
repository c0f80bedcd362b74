#pragma once

#include "core/librarian.h"

namespace skerrow {

// Every run of selected destination entries moves one place up (down) with its DestEntry
// records; a run that touches the top (bottom) stays. The moved positions end selected.
// ListSaved is left alone.
void MoveSelectedUp(Librarian& lib);
void MoveSelectedDown(Librarian& lib);

// Exchanges destination items kept and other, texts and whole DestEntry records together. Item
// kept is read first and written first; the caller sets the two selected flags afterwards.
// Shared by the moves and the sort.
void ExchangeDestEntries(Librarian& lib, int kept, int other);

}  // namespace skerrow
