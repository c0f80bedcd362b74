#include "ui/found_voices_model.h"

#include "editing/messages.h"
#include "ui/qt_views.h"

#include <QBrush>
#include <QFile>
#include <QMimeData>
#include <QPainter>
#include <QPalette>
#include <QPixmap>

namespace skerrow {

FoundVoicesModel::FoundVoicesModel(const VoiceIndex& index, QByteArray dragMark, QObject* parent)
    : QAbstractTableModel(parent), m_index(index), m_dragMark(std::move(dragMark))
{
    // Two overlapping cards: one voice, saved more than once.
    QPixmap mark(MarkSize, MarkSize);
    mark.fill(Qt::transparent);
    QPainter painter(&mark);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette palette;
    painter.setPen(QPen(palette.color(QPalette::Text), 1));
    painter.setBrush(palette.color(QPalette::Highlight));
    painter.drawRect(QRectF(0.5, 0.5, MarkSize * 0.6, MarkSize * 0.6));
    painter.drawRect(QRectF(MarkSize * 0.4 - 0.5, MarkSize * 0.4 - 0.5, MarkSize * 0.6, MarkSize * 0.6));
    painter.end();
    m_duplicateMark = QIcon(mark);
    QPixmap none(MarkSize, MarkSize);
    none.fill(Qt::transparent);
    m_noMark = QIcon(none);
}

void FoundVoicesModel::SetRoot(const std::string& root)
{
    m_root = root;
    while (m_root.size() > 1 && m_root.back() == '/')
        m_root.pop_back();
}

void FoundVoicesModel::Empty()
{
    beginResetModel();
    m_rows.clear();
    m_shaded.clear();
    endResetModel();
}

void FoundVoicesModel::Refilter(const std::string& text, bool duplicatesOnly)
{
    // A layout change rather than a reset: the view keeps its selection and current row, moved to
    // where their voices now stand, and drops those of voices no longer shown.
    Q_EMIT layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    std::vector<std::uint32_t> voices;
    voices.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& index : before)
        voices.push_back(m_rows[static_cast<std::size_t>(index.row())]);

    m_rows = m_index.Filter(text, duplicatesOnly);
    m_duplicatesOnly = duplicatesOnly;
    m_shaded.assign(duplicatesOnly ? m_rows.size() : 0, false);
    for (std::size_t row = 1; row < m_shaded.size(); ++row) {
        const bool sameSet = m_index.SetOf(m_rows[row]) == m_index.SetOf(m_rows[row - 1]);
        m_shaded[row] = sameSet ? m_shaded[row - 1] : !m_shaded[row - 1];
    }

    if (!before.isEmpty()) {
        std::vector<int> rowOf(m_index.VoiceCount(), -1);
        for (std::size_t row = 0; row < m_rows.size(); ++row)
            rowOf[m_rows[row]] = static_cast<int>(row);
        QModelIndexList after;
        after.reserve(before.size());
        for (qsizetype i = 0; i < before.size(); ++i) {
            const int row = rowOf[voices[static_cast<std::size_t>(i)]];
            after.push_back(row < 0 ? QModelIndex() : index(row, before[i].column()));
        }
        changePersistentIndexList(before, after);
    }
    Q_EMIT layoutChanged();
}

int FoundVoicesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int FoundVoicesModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString FoundVoicesModel::ShownPath(const std::string& path) const
{
    std::string_view shown = path;
    if (!m_root.empty() && shown.size() > m_root.size() + 1 && shown.starts_with(m_root) &&
        (m_root == "/" || shown[m_root.size()] == '/'))
        shown.remove_prefix(m_root == "/" ? 1 : m_root.size() + 1);
    return QFile::decodeName(QByteArray(shown.data(), static_cast<qsizetype>(shown.size())));
}

QVariant FoundVoicesModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= static_cast<int>(m_rows.size()))
        return {};
    const std::uint32_t voice = m_rows[static_cast<std::size_t>(index.row())];
    const std::uint32_t file = m_index.FileOf(voice);
    const std::uint32_t set = m_index.SetOf(voice);
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case NameColumn:
            return LatinText(std::string(m_index.Name(voice)));
        case FileColumn:
            return ShownPath(m_index.Path(file));
        case SlotColumn:
            return m_index.Slot(voice);
        case TypeColumn:
            return QString::fromStdString(FormatName(m_index.Slots(file)));
        default:
            return {};
        }
    case Qt::ToolTipRole:
        if (index.column() == FileColumn)
            return QFile::decodeName(QByteArray::fromStdString(m_index.Path(file)));
        if (index.column() == NameColumn && set != VoiceIndex::NoSet)
            return QStringLiteral("Same voice as %1 other found voices").arg(m_index.SetSize(set) - 1);
        return {};
    case Qt::DecorationRole:
        // Every name gets a mark's room, so that names line up; a duplicate's is filled.
        if (index.column() == NameColumn)
            return set != VoiceIndex::NoSet ? m_duplicateMark : m_noMark;
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() == SlotColumn)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    case Qt::BackgroundRole:
        // Sets stand apart in turns of shade, so that where one ends and the next begins shows.
        if (m_duplicatesOnly && m_shaded[static_cast<std::size_t>(index.row())])
            return QPalette().brush(QPalette::AlternateBase);
        return {};
    default:
        return {};
    }
}

QVariant FoundVoicesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case NameColumn:
        return QStringLiteral("Name");
    case FileColumn:
        return QStringLiteral("File");
    case SlotColumn:
        return QStringLiteral("Slot");
    case TypeColumn:
        return QStringLiteral("Type");
    default:
        return {};
    }
}

Qt::ItemFlags FoundVoicesModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
}

QStringList FoundVoicesModel::mimeTypes() const
{
    return {VoiceItemsMimeType()};
}

QMimeData* FoundVoicesModel::mimeData(const QModelIndexList& /*indexes*/) const
{
    // The rows themselves are read from the selection when the drop lands.
    auto* data = new QMimeData;
    data->setData(VoiceItemsMimeType(), m_dragMark);
    return data;
}

Qt::DropActions FoundVoicesModel::supportedDragActions() const
{
    return Qt::CopyAction;
}

}  // namespace skerrow
