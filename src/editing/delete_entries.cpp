#include "editing/delete_entries.h"

#include "editing/new_list.h"

namespace skerrow {

void RemoveDestEntryAt(Librarian& lib, int index)
{
    const int n = lib.List2.Count();
    for (int k = index; k <= n - 2; ++k)
        lib.state.DestEntries[static_cast<size_t>(k)] = lib.state.DestEntries[static_cast<size_t>(k + 1)];
    lib.List2.RemoveItem(index);
}

namespace {

int FirstSelectedDestItem(const ListView& list)
{
    const int n = list.Count();
    for (int k = 0; k < n; ++k)
        if (list.Selected(k))
            return k;
    return -1;
}

}  // namespace

void DeleteSelectedEntries(Librarian& lib)
{
    if (lib.List2.Count() == 0)
        return;
    if (lib.state.ShiftHeld == ShiftMask) {
        NewDestinationList(lib);
        return;
    }
    RemoveSelectedEntries(lib);
}

void RemoveSelectedEntries(Librarian& lib)
{
    if (lib.List2.Count() == 0)
        return;
    // A fresh scan after every removal: the indices below the removed item have all shifted.
    for (int k = FirstSelectedDestItem(lib.List2); k >= 0; k = FirstSelectedDestItem(lib.List2))
        RemoveDestEntryAt(lib, k);
    RefreshDestCount(lib);
}

void DeleteCurrentEntry(Librarian& lib)
{
    const int n = lib.List2.Count();
    if (n == 0)
        return;
    const auto current = lib.List2.CurrentItem();
    if (!current || *current < 0 || *current >= n)
        return;
    RemoveDestEntryAt(lib, *current);
    RefreshDestCount(lib);
}

}  // namespace skerrow
