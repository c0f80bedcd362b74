#include "core/librarian.h"

namespace skerrow {

void RefreshSourceCount(Librarian& lib)
{
    lib.Text1.SetText(CountText(lib.List1.Count()));
}

void RefreshDestCount(Librarian& lib)
{
    lib.Text2.SetText(CountText(lib.List2.Count()));
    lib.state.ListSaved = FlagFalse;
}

}  // namespace skerrow
