#pragma once

#include "core/library_state.h"
#include "core/platform.h"
#include "core/views.h"

namespace skerrow {

// The main window's caption until a source file is open.
inline constexpr const char* NoFileCaption = "Skerrow (no open file)";

// The context every operation takes: the library state, the two list views (List1 the source,
// List2 the destination), the two count fields (Text1, Text2), the main window's caption and
// the platform. The librarian owns none of them.
struct Librarian {
    LibraryState& state;
    ListView& List1;
    ListView& List2;
    TextView& Text1;
    TextView& Text2;
    TextView& caption;
    Platform& platform;
};

// Text1 gets the count text of List1.
void RefreshSourceCount(Librarian& lib);
// Text2 gets the count text of List2, and the destination counts as unsaved again.
void RefreshDestCount(Librarian& lib);

}  // namespace skerrow
