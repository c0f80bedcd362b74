#pragma once

#include "cli/console_platform.h"
#include "cli/output.h"
#include "core/memory_librarian.h"

namespace skerrow {

// The librarian the window would have, with list views in memory and the console's platform.
struct ConsoleLibrarian : MemoryLibrarian<ConsolePlatform> {
    explicit ConsoleLibrarian(const Console& console) : MemoryLibrarian(console) {}
};

}  // namespace skerrow
