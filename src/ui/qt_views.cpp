#include "ui/qt_views.h"

#include <QFile>
#include <QLineEdit>
#include <QListWidget>

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
