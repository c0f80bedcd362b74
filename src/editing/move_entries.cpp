#include "editing/move_entries.h"

#include <utility>

namespace skerrow {

void ExchangeDestEntries(Librarian& lib, int kept, int other)
{
    auto& entries = lib.state.DestEntries;
    const std::string keptText = lib.List2.Text(kept);
    DestEntry keptEntry = entries[static_cast<size_t>(kept)];

    lib.List2.SetText(kept, lib.List2.Text(other));
    entries[static_cast<size_t>(kept)] = entries[static_cast<size_t>(other)];

    lib.List2.SetText(other, keptText);
    entries[static_cast<size_t>(other)] = std::move(keptEntry);
}

// Both scans test the place a moved entry has just vacated, which is what carries a whole run
// of selected entries along in a single pass.

void MoveSelectedUp(Librarian& lib)
{
    const int n = lib.List2.Count();
    for (int i = 1; i < n; ++i) {
        if (lib.List2.Selected(i) && !lib.List2.Selected(i - 1)) {
            ExchangeDestEntries(lib, i - 1, i);
            lib.List2.SetSelected(i - 1, true);
            lib.List2.SetSelected(i, false);
        }
    }
}

void MoveSelectedDown(Librarian& lib)
{
    const int n = lib.List2.Count();
    for (int i = n - 2; i >= 0; --i) {
        if (lib.List2.Selected(i) && !lib.List2.Selected(i + 1)) {
            ExchangeDestEntries(lib, i + 1, i);
            lib.List2.SetSelected(i + 1, true);
            lib.List2.SetSelected(i, false);
        }
    }
}

}  // namespace skerrow
