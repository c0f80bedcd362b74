#pragma once

#include "core/views.h"

#include <vector>

namespace skerrow {

// List view kept in memory, for the command-line tool and for tests. Removing an item shifts
// the current item the way a real list view does.
class MemoryListView final : public ListView {
public:
    int Count() const override;
    std::string Text(int index) const override;
    bool Selected(int index) const override;
    void SetSelected(int index, bool selected) override;
    std::optional<int> CurrentItem() const override;
    void AddItem(const std::string& text) override;
    void SetText(int index, const std::string& text) override;
    void RemoveItem(int index) override;
    void Clear() override;

    void SetCurrentItem(std::optional<int> index) override;

private:
    struct Item {
        std::string text;
        bool selected = false;
    };
    std::vector<Item> m_items;
    std::optional<int> m_current;
};

class MemoryTextView final : public TextView {
public:
    explicit MemoryTextView(std::string text = {}) : m_text(std::move(text)) {}

    void SetText(const std::string& text) override { m_text = text; }
    std::string Text() const override { return m_text; }

private:
    std::string m_text;
};

}  // namespace skerrow
