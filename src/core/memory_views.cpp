#include "core/memory_views.h"

#include <cassert>

namespace skerrow {

int MemoryListView::Count() const
{
    return static_cast<int>(m_items.size());
}

std::string MemoryListView::Text(int index) const
{
    assert(index >= 0 && index < Count());
    return m_items[static_cast<size_t>(index)].text;
}

bool MemoryListView::Selected(int index) const
{
    assert(index >= 0 && index < Count());
    return m_items[static_cast<size_t>(index)].selected;
}

void MemoryListView::SetSelected(int index, bool selected)
{
    assert(index >= 0 && index < Count());
    m_items[static_cast<size_t>(index)].selected = selected;
}

std::optional<int> MemoryListView::CurrentItem() const
{
    return m_current;
}

void MemoryListView::AddItem(const std::string& text)
{
    m_items.push_back({text, false});
}

void MemoryListView::SetText(int index, const std::string& text)
{
    assert(index >= 0 && index < Count());
    m_items[static_cast<size_t>(index)].text = text;
}

void MemoryListView::RemoveItem(int index)
{
    assert(index >= 0 && index < Count());
    m_items.erase(m_items.begin() + index);
    if (m_current) {
        if (*m_current > index || *m_current == Count())
            --*m_current;
        if (*m_current < 0)
            m_current.reset();
    }
}

void MemoryListView::Clear()
{
    m_items.clear();
    m_current.reset();
}

void MemoryListView::SetCurrentItem(std::optional<int> index)
{
    assert(!index || (*index >= 0 && *index < Count()));
    m_current = index;
}

}  // namespace skerrow
