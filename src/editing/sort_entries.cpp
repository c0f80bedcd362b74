#include "editing/sort_entries.h"

#include "editing/move_entries.h"

#include <algorithm>

namespace skerrow {

bool NameGreater(std::string_view a, std::string_view b)
{
    // Plain char may be signed: compare as unsigned so that bytes 0x80 to 0xFF sort after ASCII.
    return std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), [](char x, char y) {
        return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    });
}

void SortDestination(Librarian& lib)
{
    const int n = lib.List2.Count();
    if (n == 0)
        return;

    Platform& platform = lib.platform;
    platform.ProgressSetValue(ProgressWindow::Sort, 0);
    platform.ProgressSetMaximum(ProgressWindow::Sort, n);
    platform.ProgressShow(ProgressWindow::Sort);

    // Items 0 to i are in order when step i begins; the new item i + 1 sinks until it meets one
    // that is not greater, so equal names never pass each other.
    for (int i = 0; i <= n - 2; ++i) {
        platform.ProgressSetValue(ProgressWindow::Sort, i);
        platform.YieldEvents();
        if (!NameGreater(lib.List2.Text(i), lib.List2.Text(i + 1)))
            continue;
        for (int j = i; j >= 0; --j) {
            if (!NameGreater(lib.List2.Text(j), lib.List2.Text(j + 1)))
                break;
            ExchangeDestEntries(lib, j + 1, j);
            lib.List2.SetSelected(j, false);
            lib.List2.SetSelected(j + 1, false);
        }
    }

    lib.state.ListSaved = FlagFalse;
    platform.ProgressClose(ProgressWindow::Sort);
}

}  // namespace skerrow
