#pragma once

#include "core/views.h"

#include <QByteArray>
#include <QListWidget>
#include <QString>

#include <functional>
#include <string>
#include <vector>

class QLineEdit;
class QMimeData;
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
    void SetCurrentItem(std::optional<int> index) override;
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

// A list of voice names whose selected items can be dragged within the window and nowhere else:
// a drag carries only a private MIME type with a mark of the list it left, which no other program
// reads and which a list takes only from the lists it was told of. The drop lands in the gap
// between two items that the drop indicator shows; what it does is the window's, which reads the
// selection the drag started from, not the drag's data.
class VoiceListWidget final : public QListWidget {
public:
    // origin is the list the items came from; row the index of the item they go before, the
    // count for the end.
    using ItemDrop = std::function<void(const VoiceListWidget& origin, int row)>;

    explicit VoiceListWidget(QWidget* parent = nullptr);

    // Takes items dragged from the lists named (this one among them or not); welcome says whether
    // a drop would be taken now, while the drag is still on its way.
    void AcceptItemsFrom(std::vector<const VoiceListWidget*> origins, std::function<bool()> welcome,
                         ItemDrop drop);

    // Takes as well the drags that carry mark, from a view of another kind; drop gets the row.
    void AcceptMarked(QByteArray mark, std::function<void(int row)> drop);

    // The gap a drop at pos (in the viewport) lands in: the one the drop indicator shows.
    int DropRow(const QPoint& pos) const;

    // What dragging the selected items carries; the caller owns it.
    QMimeData* DragData() const;

protected:
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QList<QListWidgetItem*>& items) const override;
    Qt::DropActions supportedDropActions() const override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void ShowEndIndicator(bool shown);

    // The list a drag's data came from, if it is one this list takes items from.
    const VoiceListWidget* AcceptedOrigin(const QMimeData* data) const;
    // The drop for data, if this list takes it: from a list or from a marked view.
    std::function<void(int row)> DropFor(const QMimeData* data) const;

    QByteArray m_mark;  // random, so that no other list or program carries it
    std::vector<const VoiceListWidget*> m_origins;
    std::function<bool()> m_welcome;
    ItemDrop m_drop;
    std::vector<std::pair<QByteArray, std::function<void(int row)>>> m_marked;
    bool m_endIndicator = false;  // a drop now would go below the last item
};

// The local files among what is dragged from outside (a file manager's text/uri-list), as the
// file system names them; empty when there are none.
std::vector<std::string> DroppedFilePaths(const QMimeData* data);

// The private MIME type every drag of voices within the program carries, and a fresh random mark
// for a view that voices are dragged from, which no other view or program carries.
QString VoiceItemsMimeType();
QByteArray NewDragMark();

// Raw bytes to a QString and back, one character per byte.
QString LatinText(const std::string& bytes);
std::string LatinBytes(const QString& text);

}  // namespace skerrow
