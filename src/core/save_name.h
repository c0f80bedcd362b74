#pragma once

#include <string>
#include <string_view>

namespace skerrow {

// What a name typed for a save becomes: the path to write, and whether its extension is another
// than the format's (for Save As to refuse).
struct SaveName {
    std::string path;
    bool extensionDiffers = false;
};

// The one rule for the name a user types, in the window's save dialog and on the command line
// alike. Only the last part of typed counts. A name without any dot gets "." + defaultExt
// appended; otherwise its extension is what follows its last dot, and it must equal defaultExt,
// ASCII letter case ignored. So "x." (an empty extension), ".hidden" and "a.b" are refused rather
// than completed: a name with a dot the user typed is never changed, and the window's dialog
// asks before replacing exactly the name it shows. A typed name with no last part ("dir/") and an
// empty defaultExt (an open dialog) leave typed as it is.
SaveName SaveNameFor(const std::string& typed, std::string_view defaultExt);

}  // namespace skerrow
