#pragma once

#include "core/librarian.h"
#include "core/memory_views.h"

#include <utility>

namespace skerrow {

// A librarian kept wholly in memory, around a platform of the caller's kind: the command-line
// tool's console, or the scripted and silent platforms of tests and benchmarks.
template <class PlatformType>
struct MemoryLibrarian {
    template <class... Args>
    explicit MemoryLibrarian(Args&&... platformArgs) : platform(std::forward<Args>(platformArgs)...)
    {
    }
    MemoryLibrarian(const MemoryLibrarian&) = delete;
    MemoryLibrarian& operator=(const MemoryLibrarian&) = delete;

    LibraryState state;
    MemoryListView List1;
    MemoryListView List2;
    MemoryTextView Text1;
    MemoryTextView Text2;
    MemoryTextView caption{NoFileCaption};
    PlatformType platform;
    Librarian lib{state, List1, List2, Text1, Text2, caption, platform};
};

}  // namespace skerrow
