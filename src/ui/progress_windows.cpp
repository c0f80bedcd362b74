#include "progress_windows.h"

#include <QFrame>
#include <QLabel>
#include <QProgressBar>

namespace skerrow {

frmSortProgress::frmSortProgress(QWidget* parent)
    : QDialog(parent), Panel3D1(new QFrame(this)), ProgressBar1(new QProgressBar(Panel3D1))
{
    setWindowTitle(QStringLiteral("Sort Progress"));
    setFixedSize(320, 55);
    Panel3D1->setGeometry(0, 0, 321, 57);
    ProgressBar1->setGeometry(16, 16, 289, 25);
    ProgressBar1->setRange(0, 100);
}

frmFileProgress::frmFileProgress(QWidget* parent)
    : QDialog(parent),
      Panel3D1(new QFrame(this)),
      Label1(new QLabel(Panel3D1)),
      ProgressBar1(new QProgressBar(Panel3D1))
{
    setWindowTitle(QStringLiteral("File Save Progress"));
    setFixedSize(338, 115);
    Panel3D1->setGeometry(0, 0, 337, 113);
    Label1->setGeometry(24, 24, 289, 17);
    ProgressBar1->setGeometry(24, 64, 289, 25);
    ProgressBar1->setRange(0, 100);
}

}  // namespace skerrow
