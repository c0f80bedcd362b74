#pragma once

#include "core/views.h"

#include <QString>

#include <string>

class QLineEdit;
class QListWidget;
class QWidget;

namespace skerrow {

// A QListWidget seen as the logic's list view. Item texts go through Latin-1 both ways, so every
// byte of a voice name, 0x00 to 0xFF, comes back exactly as it was handed in. An index outside
// the list reads as an empty, unselected item and is otherwise ignored.
class QtListView final : public ListView {
public:
    explicit QtListView(QListWidget& list) : m_list(list) {}

    int Count() const override;
    std::string Text(int index) const override;
    bool Selected(int index) const override;
    void SetSelected(int index, bool selected) override;
    std::optional<int> CurrentItem() const override;
    void AddItem(const std::string& text) override;
    void SetText(int index, const std::string& text) override;
    void RemoveItem(int index) override;
    void Clear() override;

private:
    QListWidget& m_list;
};

// A count field: ASCII texts written by the logic, shown through Latin-1.
class QtLineEditView final : public TextView {
public:
    explicit QtLineEditView(QLineEdit& edit) : m_edit(edit) {}

    void SetText(const std::string& text) override;
    std::string Text() const override;

private:
    QLineEdit& m_edit;
};

// A window's caption. It carries a file name, so it is decoded the way the file system names
// files, not as a voice name.
class QtCaptionView final : public TextView {
public:
    explicit QtCaptionView(QWidget& window) : m_window(window) {}

    void SetText(const std::string& text) override;
    std::string Text() const override;

private:
    QWidget& m_window;
};

// Raw bytes to a QString and back, one character per byte.
QString LatinText(const std::string& bytes);
std::string LatinBytes(const QString& text);

}  // namespace skerrow
