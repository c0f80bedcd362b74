#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace skerrow {

// The library's Booleans are 16-bit integers, 0 for false and -1 for true, because the
// unsaved-list prompt and the save flags are compared against exactly these values.
using Flag = std::int16_t;
inline constexpr Flag FlagFalse = 0;
inline constexpr Flag FlagTrue = -1;

inline constexpr int MaxDestEntries = 128;

// One destination slot: where the voice's data lies. The name shown for it lives only in the
// destination list view, index for index.
struct DestEntry {
    std::string SourcePath;
    std::int16_t VoiceNumber = 0;  // 1-based slot in SourcePath

    friend bool operator==(const DestEntry&, const DestEntry&) = default;
};

// The one set of state shared by every command, created empty when the program starts and
// never stored. Element MaxDestEntries of DestEntries exists but is never used.
struct LibraryState {
    std::string SourceImage;  // first 3072 bytes of the open source file, or empty
    std::string CurrentSourcePath;
    std::int16_t SourceVoiceCount = 0;
    std::array<DestEntry, MaxDestEntries + 1> DestEntries{};
    Flag ListSaved = FlagFalse;
    std::int16_t SaveSlots = 0;
    Flag SaveAborted = FlagFalse;
    std::int16_t ShiftHeld = 0;  // modifier mask: 1 Shift, 2 Ctrl, 4 Alt
};

// Modifier mask bits as the mouse-press handlers receive them.
inline constexpr std::int16_t ShiftMask = 1;
inline constexpr std::int16_t CtrlMask = 2;
inline constexpr std::int16_t AltMask = 4;

// "0 entries", "1 entry", "2 entries": the text above each list.
std::string CountText(int count);

}  // namespace skerrow
