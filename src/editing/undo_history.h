#pragma once

#include "core/librarian.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace skerrow {

// What one step brings back: the destination's items, their entries and their selected flags, in
// list order, and the item that had the focus. Entries past the last item carry no meaning and are
// not kept.
struct DestSnapshot {
    std::vector<std::string> names;
    std::vector<DestEntry> entries;
    std::vector<bool> selected;
    std::optional<int> current;

    // The focus alone moving is no change of the list.
    friend bool operator==(const DestSnapshot& a, const DestSnapshot& b)
    {
        return a.names == b.names && a.entries == b.entries && a.selected == b.selected;
    }
};

DestSnapshot TakeDestSnapshot(const Librarian& lib);
// Makes the destination list and DestEntries exactly what snapshot holds. The count text and
// ListSaved are the caller's.
void RestoreDestSnapshot(Librarian& lib, const DestSnapshot& snapshot);

// The names of the steps, as the Edit menu shows them after "Undo " and "Redo ".
inline constexpr const char* StepCopy = "Copy";
inline constexpr const char* StepMove = "Move";
inline constexpr const char* StepSort = "Sort";
inline constexpr const char* StepDelete = "Delete";
inline constexpr const char* StepDrop = "Drop";
inline constexpr const char* StepNew = "New";

// The delete button's step: New when Shift alone was held as it was pressed, Delete otherwise.
const char* DeleteButtonStep(const LibraryState& state);

// The undo and redo history of the destination list, kept for the run and never stored. Any command
// becomes a step by running inside Record: the destination is pictured before and after it, and a
// command that changed nothing leaves no step. Only the picture from before is kept (the one from
// after is taken again at undo time), so a step holds at most MaxDestEntries entries.
class UndoHistory {
public:
    static constexpr std::size_t MaxSteps = 1000;

    // Runs command as one step called label (one of the Step names). A new step drops what could be
    // redone, and beyond MaxSteps the oldest step.
    void Record(Librarian& lib, const std::string& label, const std::function<void()>& command);
    void Record(Librarian& lib, const std::string& label, void (*operation)(Librarian&));

    // Brings back the destination as it was before the last step (after the last undone one), and
    // rewrites the count text, so that the list counts as unsaved. Returns false, changing nothing,
    // when there is nothing to undo (redo).
    bool Undo(Librarian& lib);
    bool Redo(Librarian& lib);

    bool CanUndo() const { return !m_undo.empty(); }
    bool CanRedo() const { return !m_redo.empty(); }
    // "Undo Delete", "Redo Sort"; plain "Undo" and "Redo" when there is nothing to do.
    std::string UndoText() const;
    std::string RedoText() const;
    std::size_t UndoCount() const { return m_undo.size(); }

    // Runs command, which may save and so replace a file that entries read from. The voice at a
    // slot of a replaced file is another one now, so every step that would bring back an entry
    // reading from such a file is forgotten, with every step behind it.
    void KeepTrueToFiles(const Librarian& lib, const std::function<void()>& command);

    // Called whenever what can be undone or redone has changed, e.g. to refresh a menu.
    void SetOnChange(std::function<void()> onChange) { m_onChange = std::move(onChange); }

private:
    struct Step {
        std::string label;
        DestSnapshot dest;
    };
    bool Travel(Librarian& lib, std::deque<Step>& from, std::deque<Step>& to);
    void Changed();

    // Both are ordered from the oldest step to the one next at hand.
    std::deque<Step> m_undo;
    std::deque<Step> m_redo;
    std::function<void()> m_onChange;
};

}  // namespace skerrow
