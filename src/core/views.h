#pragma once

#include <optional>
#include <string>

namespace skerrow {

// What the logic needs of a list view. Texts are raw bytes, never transcoded: an adapter that
// shows them must give back exactly the bytes it was handed.
class ListView {
public:
    virtual ~ListView() = default;

    virtual int Count() const = 0;
    virtual std::string Text(int index) const = 0;
    virtual bool Selected(int index) const = 0;
    virtual void SetSelected(int index, bool selected) = 0;
    // The item that has the focus; none when the list is empty or no item was ever current.
    virtual std::optional<int> CurrentItem() const = 0;
    // Gives the focus to the item at index (to none without one) and brings it into view; the
    // selection stays as it is.
    virtual void SetCurrentItem(std::optional<int> index) = 0;
    virtual void AddItem(const std::string& text) = 0;
    virtual void SetText(int index, const std::string& text) = 0;
    virtual void RemoveItem(int index) = 0;
    virtual void Clear() = 0;
};

// A one-line text the logic writes: the two count fields and the main window's caption.
class TextView {
public:
    virtual ~TextView() = default;

    virtual void SetText(const std::string& text) = 0;
    virtual std::string Text() const = 0;
};

}  // namespace skerrow
