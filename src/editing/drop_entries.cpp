#include "editing/drop_entries.h"

#include "editing/copy_voices.h"

#include <algorithm>
#include <string>
#include <vector>

namespace skerrow {

namespace {

// Rewrites the destination so that item p becomes what item order[p] was: text, whole entry and
// selected flag travel together, so DestEntries stays parallel to the list view.
void ArrangeDestEntries(Librarian& lib, const std::vector<int>& order)
{
    const int n = static_cast<int>(order.size());
    std::vector<std::string> texts;
    std::vector<DestEntry> entries;
    std::vector<bool> selected;
    for (int k = 0; k < n; ++k) {
        texts.push_back(lib.List2.Text(k));
        entries.push_back(lib.state.DestEntries[static_cast<size_t>(k)]);
        selected.push_back(lib.List2.Selected(k));
    }
    for (int p = 0; p < n; ++p) {
        const auto from = static_cast<size_t>(order[static_cast<size_t>(p)]);
        if (from != static_cast<size_t>(p)) {
            lib.List2.SetText(p, texts[from]);
            lib.state.DestEntries[static_cast<size_t>(p)] = entries[from];
        }
        lib.List2.SetSelected(p, selected[from]);
    }
}

}  // namespace

void InsertVoicesAt(Librarian& lib, int row)
{
    if (lib.List1.Count() == 0)
        return;
    InsertAppendedAt(lib, row, [&lib] { return AppendSourceVoices(lib, false); });
}

void InsertAppendedAt(Librarian& lib, int row, const std::function<bool()>& append)
{
    const int before = lib.List2.Count();
    row = std::clamp(row, 0, before);
    const bool allFitted = append();

    // The new entries were appended; the ones from row on move down below them.
    const int after = lib.List2.Count();
    std::vector<int> order;
    for (int k = 0; k < row; ++k)
        order.push_back(k);
    for (int k = before; k < after; ++k)
        order.push_back(k);
    for (int k = row; k < before; ++k)
        order.push_back(k);
    ArrangeDestEntries(lib, order);

    if (!allFitted)
        ShowDestinationFull(lib, true);
    RefreshDestCount(lib);
}

void MoveEntriesTo(Librarian& lib, int row)
{
    const int n = lib.List2.Count();
    row = std::clamp(row, 0, n);
    std::vector<int> moving;
    std::vector<int> staying;
    int stayingAbove = 0;  // where the gap at row ends up once the moving entries have left
    for (int k = 0; k < n; ++k) {
        if (lib.List2.Selected(k)) {
            moving.push_back(k);
        } else {
            staying.push_back(k);
            if (k < row)
                ++stayingAbove;
        }
    }
    if (moving.empty())
        return;

    std::vector<int> order(staying.begin(), staying.begin() + stayingAbove);
    order.insert(order.end(), moving.begin(), moving.end());
    order.insert(order.end(), staying.begin() + stayingAbove, staying.end());
    ArrangeDestEntries(lib, order);
}

}  // namespace skerrow
