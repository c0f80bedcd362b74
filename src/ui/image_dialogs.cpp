#include "ui/image_dialogs.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace skerrow {

frmImageChooser::frmImageChooser(QWidget* parent, const QString& imageName,
                                 const std::vector<ImageMemberRow>& rows)
    : QDialog(parent), m_list(new QTreeWidget(this))
{
    setWindowTitle("Open from disk image");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Voice files on " + imageName + ":", this));
    m_list->setColumnCount(3);
    m_list->setHeaderLabels({"Name", "Type", "Voices"});
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    for (const ImageMemberRow& row : rows) {
        auto* item =
            new QTreeWidgetItem(m_list, {QString::fromStdString(row.name), QString::fromStdString(row.type),
                                         QString::number(row.voices)});
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    }
    for (int column = 0; column < 3; ++column)
        m_list->resizeColumnToContents(column);
    if (m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
    layout->addWidget(m_list);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Open | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QTreeWidget::itemActivated, this, &QDialog::accept);
    layout->addWidget(buttons);
    // Every column readable without scrolling sideways.
    resize(std::max(420, m_list->header()->length() + 40), 320);
}

int frmImageChooser::ChosenRow() const
{
    QTreeWidgetItem* item = m_list->currentItem();
    return item ? m_list->indexOfTopLevelItem(item) : -1;
}

frmImageSave::frmImageSave(QWidget* parent, const ImageSaveRequest& request)
    : QDialog(parent),
      m_image(new QLineEdit(QFile::decodeName(request.imagePath.c_str()), this)),
      m_small(new QRadioButton("720 KB", this)),
      m_large(new QRadioButton("1.44 MB", this)),
      m_name(new QLineEdit(QString::fromStdString(request.initialName), this))
{
    setWindowTitle("Save to disk image");
    auto* form = new QFormLayout;
    auto* imageRow = new QHBoxLayout;
    imageRow->addWidget(m_image, 1);
    auto* browse = new QPushButton("&Browse...", this);
    browse->setAutoDefault(false);
    imageRow->addWidget(browse);
    auto* imageLabel = new QLabel("Disk &image:", this);
    imageLabel->setBuddy(m_image);
    form->addRow(imageLabel, imageRow);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(m_small);
    sizeRow->addWidget(m_large);
    sizeRow->addStretch(1);
    (request.small ? m_small : m_large)->setChecked(true);
    form->addRow("Size of a new image:", sizeRow);
    form->addRow("&Name on the disk (8.3):", m_name);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    QPushButton* save = buttons->button(QDialogButtonBox::Save);
    save->setDefault(true);  // Return in the path or the name field saves
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(browse, &QPushButton::clicked, this, &frmImageSave::Browse);
    connect(m_image, &QLineEdit::textChanged, this, [this, save] {
        save->setEnabled(!m_image->text().isEmpty());
        FollowImagePath();
    });
    save->setEnabled(!m_image->text().isEmpty());
    FollowImagePath();
    resize(520, sizeHint().height());
    // The field the user is to type in first: the name to correct, or else the image path. A line
    // edit that takes the focus as the dialog opens selects its text, so typing replaces it.
    (request.correctName ? m_name : m_image)->setFocus();
}

void frmImageSave::Browse()
{
    QFileDialog dialog(this, "Disk image");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // An existing image is added to, not replaced: no overwrite question here.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({"Disk images (*.img *.ima)", "All Files (*)"});
    dialog.setDefaultSuffix("img");
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        m_image->setText(dialog.selectedFiles().first());
}

void frmImageSave::FollowImagePath()
{
    // The size matters only for an image still to be made.
    const bool makesNew = !m_image->text().isEmpty() && !QFileInfo::exists(m_image->text());
    m_small->setEnabled(makesNew);
    m_large->setEnabled(makesNew);
}

ImageSaveAnswer frmImageSave::Answer() const
{
    ImageSaveAnswer answer;
    answer.chosen = true;
    answer.imagePath = QFile::encodeName(m_image->text()).toStdString();
    answer.small = m_small->isChecked();
    answer.typedName = m_name->text().toStdString();
    return answer;
}

}  // namespace skerrow
