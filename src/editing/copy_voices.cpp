#include "editing/copy_voices.h"

namespace skerrow {

namespace {

void ShowFull(Librarian& lib, const char* text)
{
    lib.platform.MessageBox(text, "Info", MessageIcon::Information, MessageButtons::Ok);
}

}  // namespace

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
        ShowFull(lib, "Destination list is full");
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

    // The two messages differ on purpose: the copy-all one has no full stop.
    const bool copyAll = lib.state.ShiftHeld == ShiftMask;
    for (int i = 0; i < n; ++i) {
        if (!copyAll && !lib.List1.Selected(i))
            continue;
        if (lib.List2.Count() >= MaxDestEntries) {
            ShowFull(lib, copyAll ? "Destination list is full" : "Destination list is full.");
            break;
        }
        AppendDestEntry(lib, i);
    }
    RefreshDestCount(lib);
}

}  // namespace skerrow
