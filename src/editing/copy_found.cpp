#include "editing/copy_found.h"

#include "editing/copy_voices.h"
#include "editing/drop_entries.h"
#include "editing/open_source.h"
#include "voicefile/layout.h"

#include <map>

namespace skerrow {

namespace {

// Whether every voice is still where the search found it, each file read once; shows the one
// message of the first that is not.
bool StillThere(Librarian& lib, const std::vector<FoundVoice>& voices)
{
    std::map<std::string, std::vector<std::string>> listed;  // path, names
    for (const FoundVoice& voice : voices) {
        auto names = listed.find(voice.path);
        if (names == listed.end()) {
            const std::optional<HeadResult> head = ReadSourceHead(lib, voice.path);
            if (!head)
                return false;
            names = listed.emplace(voice.path, layout::ListNames(head->image, head->slotCount)).first;
        }
        const auto slot = static_cast<std::size_t>(voice.slot);
        if (voice.slot < 1 || slot > names->second.size() || names->second[slot - 1] != voice.name) {
            lib.platform.MessageBox(voice.path + " has changed since it was found: search the folder again.",
                                    "Error", MessageIcon::Critical, MessageButtons::Ok, {voice.path});
            return false;
        }
    }
    return true;
}

}  // namespace

void CopyFoundVoices(Librarian& lib, const std::vector<FoundVoice>& voices, int row)
{
    if (voices.empty() || !StillThere(lib, voices))
        return;
    InsertAppendedAt(lib, row, [&] {
        for (const FoundVoice& voice : voices) {
            if (lib.List2.Count() >= MaxDestEntries)
                return false;
            AppendDestEntry(lib, voice.name, voice.path, voice.slot);
        }
        return true;
    });
}

bool OpenFoundVoice(Librarian& lib, const FoundVoice& voice)
{
    if (!LoadSourceFile(lib, voice.path))
        return false;
    for (int i = 0; i < lib.List1.Count(); ++i)
        lib.List1.SetSelected(i, i == voice.slot - 1);
    return true;
}

}  // namespace skerrow
