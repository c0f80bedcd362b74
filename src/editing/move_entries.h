#pragma once

#include "core/librarian.h"

namespace skerrow {

// Every run of selected destination entries moves one place up (down) with its DestEntry
// records; a run that touches the top (bottom) stays. The moved positions end selected.
// ListSaved is left alone.
void MoveSelectedUp(Librarian& lib);
void MoveSelectedDown(Librarian& lib);

}  // namespace skerrow
