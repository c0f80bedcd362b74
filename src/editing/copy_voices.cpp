#include "editing/copy_voices.h"

namespace skerrow {

void ShowDestinationFull(Librarian& lib, bool withFullStop)
{
    lib.platform.MessageBox(withFullStop ? "Destination list is full." : "Destination list is full", "Info",
                            MessageIcon::Information, MessageButtons::Ok);
}

void AppendDestEntry(Librarian& lib, const std::string& name, const std::string& path, int voiceNumber)
{
    lib.List2.AddItem(name);
    DestEntry& entry = lib.state.DestEntries[static_cast<size_t>(lib.List2.Count() - 1)];
    entry.SourcePath = path;
    entry.VoiceNumber = static_cast<std::int16_t>(voiceNumber);
}

void AppendDestEntry(Librarian& lib, int sourceIndex)
{
    AppendDestEntry(lib, lib.List1.Text(sourceIndex), lib.state.CurrentSourcePath, sourceIndex + 1);
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

bool AppendSourceVoices(Librarian& lib, bool all)
{
    const int n = lib.List1.Count();
    for (int i = 0; i < n; ++i) {
        if (!all && !lib.List1.Selected(i))
            continue;
        if (lib.List2.Count() >= MaxDestEntries)
            return false;
        AppendDestEntry(lib, i);
    }
    return true;
}

namespace {

void CopyVoices(Librarian& lib, bool all)
{
    if (lib.List1.Count() == 0)
        return;
    if (!AppendSourceVoices(lib, all))
        ShowDestinationFull(lib, !all);
    RefreshDestCount(lib);
}

}  // namespace

void CopySelectedVoices(Librarian& lib)
{
    CopyVoices(lib, lib.state.ShiftHeld == ShiftMask);
}

void CopyVoiceSelection(Librarian& lib)
{
    CopyVoices(lib, false);
}

}  // namespace skerrow
