#pragma once

#include "core/librarian.h"

#include <string>
#include <vector>

namespace skerrow {

// A voice a search of the collection found: the file it is in (a path into a disk image for a
// voice file inside one, as File > Open takes it), its 1-based slot and the name listed there.
struct FoundVoice {
    std::string path;
    int slot = 0;
    std::string name;

    friend bool operator==(const FoundVoice&, const FoundVoice&) = default;
};

// Found voices copied into the destination before item row (the count, or any row past the end,
// appends), in the order given, each entry naming the voice's file and slot as copying it from
// that file opened as the source would. Every file is read again first: one that File > Open
// would refuse gets the message File > Open shows, one that no longer lists the voice by that
// name in that slot gets "... has changed since it was found", and then nothing is copied. Past
// that, it is the drop of source voices: what fits below 128 entries goes in, "Destination list
// is full." is shown once for the rest, and the count text is rewritten. An empty list of voices
// changes nothing.
void CopyFoundVoices(Librarian& lib, const std::vector<FoundVoice>& voices, int row);

// Makes the file of a found voice the source as File > Open would, and selects the voice in the
// source list. Returns whether the file became the source.
bool OpenFoundVoice(Librarian& lib, const FoundVoice& voice);

}  // namespace skerrow
