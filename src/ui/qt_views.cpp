#include "ui/qt_views.h"

#include <QDrag>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPainter>
#include <QRandomGenerator>
#include <QStyleOption>
#include <QUrl>

#include <algorithm>

namespace skerrow {

QString LatinText(const std::string& bytes)
{
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string LatinBytes(const QString& text)
{
    return text.toLatin1().toStdString();
}

int QtListView::Count() const
{
    return m_list.count();
}

std::string QtListView::Text(int index) const
{
    const QListWidgetItem* item = m_list.item(index);
    return item ? LatinBytes(item->text()) : std::string();
}

bool QtListView::Selected(int index) const
{
    const QListWidgetItem* item = m_list.item(index);
    return item && item->isSelected();
}

void QtListView::SetSelected(int index, bool selected)
{
    // The sort clears the flag of every entry it exchanges; most are clear already, and a
    // selection change that changes nothing still runs the whole selection model.
    if (QListWidgetItem* item = m_list.item(index); item && item->isSelected() != selected)
        item->setSelected(selected);
}

std::optional<int> QtListView::CurrentItem() const
{
    const int row = m_list.currentRow();
    if (row < 0 || row >= m_list.count())
        return std::nullopt;
    return row;
}

void QtListView::SetCurrentItem(std::optional<int> index)
{
    // The list scrolls to a new current item of itself.
    m_list.setCurrentItem(index ? m_list.item(*index) : nullptr, QItemSelectionModel::NoUpdate);
}

void QtListView::AddItem(const std::string& text)
{
    m_list.addItem(LatinText(text));
}

void QtListView::SetText(int index, const std::string& text)
{
    if (QListWidgetItem* item = m_list.item(index))
        item->setText(LatinText(text));
}

void QtListView::RemoveItem(int index)
{
    delete m_list.takeItem(index);
}

void QtListView::Clear()
{
    m_list.clear();
}

namespace {

// Enough of the dragged names to see what goes, however many there are.
constexpr int DraggedNamesShown = 8;

}  // namespace

QString VoiceItemsMimeType()
{
    // Private to this program: no other program knows it, so the names never leave the window.
    return QStringLiteral("application/x-skerrow-voice-items");
}

QByteArray NewDragMark()
{
    return QByteArray::number(QRandomGenerator::global()->generate64(), 16);
}

VoiceListWidget::VoiceListWidget(QWidget* parent) : QListWidget(parent), m_mark(NewDragMark())
{
    // Only dragging out until told which lists to take items from.
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::CopyAction);
    // Drops go between items, never onto one.
    setDragDropOverwriteMode(false);
    setDropIndicatorShown(true);
}

void VoiceListWidget::AcceptItemsFrom(std::vector<const VoiceListWidget*> origins,
                                      std::function<bool()> welcome, ItemDrop drop)
{
    m_origins = std::move(origins);
    m_welcome = std::move(welcome);
    m_drop = std::move(drop);
    setDragDropMode(QAbstractItemView::DragDrop);
}

void VoiceListWidget::AcceptMarked(QByteArray mark, std::function<void(int row)> drop)
{
    m_marked.emplace_back(std::move(mark), std::move(drop));
}

std::function<void(int row)> VoiceListWidget::DropFor(const QMimeData* data) const
{
    if (const VoiceListWidget* origin = AcceptedOrigin(data))
        return [this, origin](int row) { m_drop(*origin, row); };
    if (!data || !data->hasFormat(VoiceItemsMimeType()))
        return {};
    const QByteArray mark = data->data(VoiceItemsMimeType());
    for (const auto& [marked, drop] : m_marked)
        if (marked == mark)
            return drop;
    return {};
}

int VoiceListWidget::DropRow(const QPoint& pos) const
{
    const QModelIndex index = indexAt(pos);
    if (!index.isValid())
        return count();
    // The same split as the drop indicator's for items that take nothing dropped on them.
    return pos.y() < visualRect(index).center().y() ? index.row() : index.row() + 1;
}

QMimeData* VoiceListWidget::DragData() const
{
    return mimeData(selectedItems());
}

QStringList VoiceListWidget::mimeTypes() const
{
    return {VoiceItemsMimeType()};
}

QMimeData* VoiceListWidget::mimeData(const QList<QListWidgetItem*>& /*items*/) const
{
    auto* data = new QMimeData;
    data->setData(VoiceItemsMimeType(), m_mark);
    return data;
}

Qt::DropActions VoiceListWidget::supportedDropActions() const
{
    // A move would let the view remove the dragged items itself, behind the window's back.
    return Qt::CopyAction;
}

void VoiceListWidget::startDrag(Qt::DropActions /*supportedActions*/)
{
    QList<QListWidgetItem*> items = selectedItems();
    if (items.isEmpty())
        return;
    std::sort(items.begin(), items.end(),
              [this](QListWidgetItem* a, QListWidgetItem* b) { return row(a) < row(b); });
    if (items.size() > DraggedNamesShown)
        items.resize(DraggedNamesShown);

    // The names as the list shows them, stacked; they follow the pointer from below and to the
    // right, where they never hide the drop indicator at the pointer.
    const int rowHeight = visualItemRect(items.front()).height();
    QPixmap names(viewport()->width(), rowHeight * static_cast<int>(items.size()));
    names.fill(Qt::transparent);
    QPainter painter(&names);
    for (qsizetype i = 0; i < items.size(); ++i) {
        const QRect rect = visualItemRect(items[i]);
        painter.drawPixmap(0, rowHeight * static_cast<int>(i),
                           viewport()->grab(QRect(0, rect.y(), names.width(), rowHeight)));
    }
    painter.end();

    auto* drag = new QDrag(this);
    drag->setMimeData(mimeData(items));
    drag->setPixmap(names);
    drag->setHotSpot(QPoint(-16, -12));
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}

const VoiceListWidget* VoiceListWidget::AcceptedOrigin(const QMimeData* data) const
{
    if (!data || !data->hasFormat(VoiceItemsMimeType()))
        return nullptr;
    const QByteArray mark = data->data(VoiceItemsMimeType());
    for (const VoiceListWidget* origin : m_origins)
        if (origin->m_mark == mark)
            return origin;
    return nullptr;
}

void VoiceListWidget::dragEnterEvent(QDragEnterEvent* event)
{
    // Anything else (files from outside) goes on to the window.
    if (!DropFor(event->mimeData()) || !m_welcome || !m_welcome()) {
        event->ignore();
        return;
    }
    QListWidget::dragEnterEvent(event);
}

void VoiceListWidget::dragMoveEvent(QDragMoveEvent* event)
{
    if (!DropFor(event->mimeData()) || !m_welcome()) {
        ShowEndIndicator(false);
        event->ignore();
        return;
    }
    QListWidget::dragMoveEvent(event);
    ShowEndIndicator(event->isAccepted() && DropRow(event->position().toPoint()) == count());
}

void VoiceListWidget::dragLeaveEvent(QDragLeaveEvent* event)
{
    ShowEndIndicator(false);
    QListWidget::dragLeaveEvent(event);
}

void VoiceListWidget::dropEvent(QDropEvent* event)
{
    // The view's own drop would put the items in its model; here only the indicator goes.
    ShowEndIndicator(false);
    stopAutoScroll();
    setState(QAbstractItemView::NoState);
    viewport()->update();

    const std::function<void(int row)> drop = DropFor(event->mimeData());
    if (!drop || !m_welcome()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    drop(DropRow(event->position().toPoint()));
}

void VoiceListWidget::ShowEndIndicator(bool shown)
{
    if (m_endIndicator != shown) {
        m_endIndicator = shown;
        viewport()->update();
    }
}

void VoiceListWidget::paintEvent(QPaintEvent* event)
{
    QListWidget::paintEvent(event);
    // Below the last item the view itself marks no gap: the line shows where the end is.
    if (!m_endIndicator)
        return;
    QPainter painter(viewport());
    QStyleOption option;
    option.initFrom(this);
    const int y = count() > 0 ? visualItemRect(item(count() - 1)).bottom() + 1 : 0;
    option.rect = QRect(0, y, viewport()->width(), 0);
    style()->drawPrimitive(QStyle::PE_IndicatorItemViewItemDrop, &option, &painter, this);
}

std::vector<std::string> DroppedFilePaths(const QMimeData* data)
{
    std::vector<std::string> paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
    return paths;
}

void QtLineEditView::SetText(const std::string& text)
{
    m_edit.setText(LatinText(text));
}

std::string QtLineEditView::Text() const
{
    return LatinBytes(m_edit.text());
}

void QtCaptionView::SetText(const std::string& text)
{
    m_window.setWindowTitle(QFile::decodeName(QByteArray::fromStdString(text)));
}

std::string QtCaptionView::Text() const
{
    return QFile::encodeName(m_window.windowTitle()).toStdString();
}

}  // namespace skerrow
