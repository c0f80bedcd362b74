#include "editing/copy_voices.h"

namespace skerrow {

void ShowDestinationFull(Librarian& lib, bool withFullStop)
{
    lib.platform.MessageBox(withFullStop ? "Destination list is full." : "Destination list is full", "Info",
                            MessageIcon::Information, MessageButtons::Ok);
}

void AppendDestEntry(Librarian& lib, int sourceIndex)
{
    lib.List2.AddItem(lib.List1.Text(sourceIndex));
    DestEntry& entry = lib.state.DestEntries[static_cast<size_t>(lib.List2.Count() - 1)];
    entry.SourcePath = lib.state.CurrentSourcePath;
    entry.VoiceNumber = static_cast<std::int16_t>(sourceIndex + 1);
}

void CopyCurrentVoice(Librarian& lib)
{
    if (lib.List2.Count() >= MaxDestEntries) {
        ShowDestinationFull(lib);
        return;
    }
    const auto current = lib.List1.CurrentItem();
    if (!current || *current < 0 || *current >= lib.List1.Count())
        return;
    AppendDestEntry(lib, *current);
    RefreshDestCount(lib);
}

void CopySelectedVoices(Librarian& lib)
{
    const int n = lib.List1.Count();
    if (n == 0)
        return;

    const bool copyAll = lib.state.ShiftHeld == ShiftMask;
    for (int i = 0; i < n; ++i) {
        if (!copyAll && !lib.List1.Selected(i))
            continue;
        if (lib.List2.Count() >= MaxDestEntries) {
            ShowDestinationFull(lib, !copyAll);
            break;
        }
        AppendDestEntry(lib, i);
    }
    RefreshDestCount(lib);
}

}  // namespace skerrow
