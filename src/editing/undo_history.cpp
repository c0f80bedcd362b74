#include "editing/undo_history.h"

#include "diskimage/image_file.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>

namespace skerrow {

DestSnapshot TakeDestSnapshot(const Librarian& lib)
{
    DestSnapshot snapshot;
    const int n = lib.List2.Count();
    for (int k = 0; k < n; ++k) {
        snapshot.names.push_back(lib.List2.Text(k));
        snapshot.entries.push_back(lib.state.DestEntries[static_cast<std::size_t>(k)]);
        snapshot.selected.push_back(lib.List2.Selected(k));
    }
    snapshot.current = lib.List2.CurrentItem();
    return snapshot;
}

void RestoreDestSnapshot(Librarian& lib, const DestSnapshot& snapshot)
{
    lib.List2.Clear();
    for (std::size_t k = 0; k < snapshot.names.size(); ++k) {
        lib.List2.AddItem(snapshot.names[k]);
        lib.List2.SetSelected(static_cast<int>(k), snapshot.selected[k]);
        lib.state.DestEntries[k] = snapshot.entries[k];
    }
    // Where the user was, in view again: what an undo brings back may lie far down a long list.
    if (snapshot.current && *snapshot.current < lib.List2.Count())
        lib.List2.SetCurrentItem(snapshot.current);
}

const char* DeleteButtonStep(const LibraryState& state)
{
    return state.ShiftHeld == ShiftMask ? StepNew : StepDelete;
}

void UndoHistory::Record(Librarian& lib, const std::string& label, const std::function<void()>& command)
{
    DestSnapshot before = TakeDestSnapshot(lib);
    command();
    if (TakeDestSnapshot(lib) == before)
        return;
    m_undo.push_back({label, std::move(before)});
    if (m_undo.size() > MaxSteps)
        m_undo.pop_front();
    m_redo.clear();
    Changed();
}

void UndoHistory::Record(Librarian& lib, const std::string& label, void (*operation)(Librarian&))
{
    Record(lib, label, [&lib, operation] { operation(lib); });
}

bool UndoHistory::Travel(Librarian& lib, std::deque<Step>& from, std::deque<Step>& to)
{
    if (from.empty())
        return false;
    Step step = std::move(from.back());
    from.pop_back();
    DestSnapshot now = TakeDestSnapshot(lib);
    RestoreDestSnapshot(lib, step.dest);
    step.dest = std::move(now);
    to.push_back(std::move(step));
    // The list now differs from what was last written, as far as anyone can tell without comparing
    // files: the prompt must ask again.
    RefreshDestCount(lib);
    Changed();
    return true;
}

bool UndoHistory::Undo(Librarian& lib)
{
    return Travel(lib, m_undo, m_redo);
}

bool UndoHistory::Redo(Librarian& lib)
{
    return Travel(lib, m_redo, m_undo);
}

std::string UndoHistory::UndoText() const
{
    return m_undo.empty() ? "Undo" : "Undo " + m_undo.back().label;
}

std::string UndoHistory::RedoText() const
{
    return m_redo.empty() ? "Redo" : "Redo " + m_redo.back().label;
}

namespace {

bool ReadsFromAny(const DestSnapshot& snapshot, const std::set<std::string>& paths)
{
    return std::any_of(snapshot.entries.begin(), snapshot.entries.end(),
                       [&paths](const DestEntry& entry) { return paths.contains(entry.SourcePath); });
}

}  // namespace

void UndoHistory::KeepTrueToFiles(const Librarian& lib, const std::function<void()>& command)
{
    // The entries of the list as it is now count too: the command may be New, which keeps them as
    // a step once it has saved them.
    std::map<std::string, std::optional<os::FileId>> identities;
    const int n = lib.List2.Count();
    for (int k = 0; k < n; ++k)
        identities.emplace(lib.state.DestEntries[static_cast<std::size_t>(k)].SourcePath, std::nullopt);
    for (const auto* steps : {&m_undo, &m_redo})
        for (const Step& step : *steps)
            for (const DestEntry& entry : step.dest.entries)
                identities.emplace(entry.SourcePath, std::nullopt);
    for (auto& [path, id] : identities)
        id = diskimage::IdentityOfAny(path);

    command();

    // A file made where none was is as new to the entries as one that replaced another.
    std::set<std::string> replaced;
    for (const auto& [path, id] : identities)
        if (diskimage::IdentityOfAny(path) != id)
            replaced.insert(path);
    if (replaced.empty())
        return;
    bool cut = false;
    for (auto* steps : {&m_undo, &m_redo}) {
        // The steps nearest at hand are at the back: one that can no longer be trusted blocks the
        // way to every step in front of it.
        const auto last = std::find_if(steps->rbegin(), steps->rend(),
                                       [&](const Step& step) { return ReadsFromAny(step.dest, replaced); });
        if (last != steps->rend()) {
            steps->erase(steps->begin(), last.base());
            cut = true;
        }
    }
    if (cut)
        Changed();
}

void UndoHistory::Changed()
{
    if (m_onChange)
        m_onChange();
}

}  // namespace skerrow
