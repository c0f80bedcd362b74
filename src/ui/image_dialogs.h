#pragma once

#include "core/platform.h"

#include <QDialog>

#include <vector>

class QButtonGroup;
class QLineEdit;
class QRadioButton;
class QTreeWidget;

namespace skerrow {

// The voice files of a disk image, one row each (name as on the disk, type, voices), for the
// user to choose the one to open. The first row starts chosen; a double click opens it.
class frmImageChooser final : public QDialog {
    Q_OBJECT
public:
    frmImageChooser(QWidget* parent, const QString& imageName, const std::vector<ImageMemberRow>& rows);

    // The chosen row, or -1.
    int ChosenRow() const;
    QTreeWidget* List() const { return m_list; }

private:
    QTreeWidget* m_list;
};

// Where File > Save to disk image saves: an image picked with Browse... or typed (a new one gets
// the size chosen here) and the name the file gets on the disk, each field starting as the request
// says.
class frmImageSave final : public QDialog {
    Q_OBJECT
public:
    frmImageSave(QWidget* parent, const ImageSaveRequest& request);

    ImageSaveAnswer Answer() const;

private:
    void Browse();
    void FollowImagePath();

    QLineEdit* m_image;
    QRadioButton* m_small;
    QRadioButton* m_large;
    QLineEdit* m_name;
};

}  // namespace skerrow
