#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QProgressBar;

namespace skerrow {

// Shown while the destination list is sorted. Its owner creates it, drives the bar and deletes it.
class frmSortProgress : public QDialog {
    Q_OBJECT
public:
    explicit frmSortProgress(QWidget* parent = nullptr);

    QFrame* Panel3D1;
    QProgressBar* ProgressBar1;
};

// Shown while the destination file is written; Label1 names the voice being written.
class frmFileProgress : public QDialog {
    Q_OBJECT
public:
    explicit frmFileProgress(QWidget* parent = nullptr);

    QFrame* Panel3D1;
    QLabel* Label1;
    QProgressBar* ProgressBar1;
};

}  // namespace skerrow
