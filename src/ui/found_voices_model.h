#pragma once

#include "collection/voice_index.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QIcon>

#include <string>
#include <vector>

namespace skerrow {

// The voices of a VoiceIndex that the search shows, as rows of a view: Name, File, Slot, Type.
// It holds only the row-to-voice numbers; everything shown is read from the index when painted,
// so a hundred thousand rows cost a few bytes each. Names are shown through Latin-1, as the lists
// show them; paths the way the file system names files.
class FoundVoicesModel final : public QAbstractTableModel {
public:
    enum Column { NameColumn, FileColumn, SlotColumn, TypeColumn, ColumnCount };

    // dragMark goes with every drag of rows, so that a list can tell that they come from here.
    FoundVoicesModel(const VoiceIndex& index, QByteArray dragMark, QObject* parent = nullptr);

    // Files are shown relative to root, the folder scanned.
    void SetRoot(const std::string& root);

    // Shows the voices the index's Filter gives, keeping the selection and the current row on the
    // voices they were on.
    void Refilter(const std::string& text, bool duplicatesOnly);
    // Shows nothing, before the index is cleared for another scan.
    void Empty();

    std::uint32_t VoiceAt(int row) const { return m_rows[static_cast<std::size_t>(row)]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;

    static constexpr int MarkSize = 12;

private:
    QString ShownPath(const std::string& path) const;

    const VoiceIndex& m_index;
    QByteArray m_dragMark;
    std::string m_root;
    std::vector<std::uint32_t> m_rows;
    std::vector<bool> m_shaded;  // by row, in duplicates-only mode: every other set
    bool m_duplicatesOnly = false;
    QIcon m_duplicateMark;
    QIcon m_noMark;
};

}  // namespace skerrow
