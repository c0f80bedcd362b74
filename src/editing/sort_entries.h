#pragma once

#include "core/librarian.h"

#include <string_view>

namespace skerrow {

// Ordinal, case-sensitive comparison by unsigned byte value on the whole text.
bool NameGreater(std::string_view a, std::string_view b);

// The sort button: a stable insertion sort by exchanges of neighbours, entries and their
// DestEntry records together, with the sort progress window and one yield per outer step.
// Exchanged entries end unselected. Clears ListSaved whenever the list had an entry.
void SortDestination(Librarian& lib);

}  // namespace skerrow
