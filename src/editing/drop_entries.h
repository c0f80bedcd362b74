#pragma once

#include "core/librarian.h"

#include <functional>

namespace skerrow {

// Drag and drop onto the destination list. A drop lands in a gap: row is the index of the item
// the dropped entries go before, the count for the end; rows outside the list are taken as its
// nearest end. Both work on the selections the drags started from, through the list views alone.

// Source voices dropped on the destination: every selected source voice, in source order, each
// with its entry, as the copy button's selection mode copies them, but before item row instead
// of at the end. What fits below 128 entries goes in, then "Destination list is full." is shown
// once for the rest, and the count text is rewritten, so the list counts as unsaved. The entries
// already there keep their selected flags; the new ones come unselected.
void InsertVoicesAt(Librarian& lib, int row);

// The common end of every insertion: runs append, which appends entries and returns false when it
// left one out because the destination is full, then moves the appended entries up before item
// row, shows "Destination list is full." once when one was left out, and rewrites the count text.
void InsertAppendedAt(Librarian& lib, int row, const std::function<bool()>& append);

// Destination entries dragged within the destination: the selected entries, adjacent or not, land
// together in their order at row (counted before they left) and stay selected. Like the up and
// down buttons, this leaves ListSaved and the count text alone.
void MoveEntriesTo(Librarian& lib, int row);

}  // namespace skerrow
