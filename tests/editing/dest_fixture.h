#pragma once

#include "core/librarian.h"
#include "scripted_platform.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace skerrow::test {

// The entry a test gives the voice called name from file fileId. Path and number both follow
// from the name, so any item can be checked against its entry without remembering where it
// was put; fileId tells apart voices of equal name.
DestEntry EntryFor(const std::string& name, int fileId = 1);

// Appends a destination item with its entry, as a copy from file fileId would.
void AddDest(TestLibrarian& t, const std::string& name, bool selected = false, int fileId = 1);

// Fills an empty destination with names, selecting the given indices.
void FillDest(TestLibrarian& t, const std::vector<std::string>& names, const std::vector<int>& selected = {});

// The one check every editing test makes: for each item k, DestEntries[k] is the entry of the
// voice item k names.
::testing::AssertionResult DestIsParallel(const TestLibrarian& t);

// The file a destination entry came from, as EntryFor encoded it.
int FileIdOf(const DestEntry& entry);

// Single-letter names for table rows: "ABC" -> {"A", "B", "C"}.
std::vector<std::string> Letters(const std::string& letters);

// A list view that forwards to another and counts the texts written, so a test can count the
// sort's exchanges (two texts each).
class CountingListView final : public ListView {
public:
    explicit CountingListView(ListView& inner) : m_inner(inner) {}

    int Count() const override { return m_inner.Count(); }
    std::string Text(int index) const override { return m_inner.Text(index); }
    bool Selected(int index) const override { return m_inner.Selected(index); }
    void SetSelected(int index, bool selected) override { m_inner.SetSelected(index, selected); }
    std::optional<int> CurrentItem() const override { return m_inner.CurrentItem(); }
    void SetCurrentItem(std::optional<int> index) override { m_inner.SetCurrentItem(index); }
    void AddItem(const std::string& text) override { m_inner.AddItem(text); }
    void SetText(int index, const std::string& text) override
    {
        ++textsWritten;
        m_inner.SetText(index, text);
    }
    void RemoveItem(int index) override { m_inner.RemoveItem(index); }
    void Clear() override { m_inner.Clear(); }

    int textsWritten = 0;

private:
    ListView& m_inner;
};

}  // namespace skerrow::test
