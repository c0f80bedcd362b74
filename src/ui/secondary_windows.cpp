#include "secondary_windows.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace skerrow {

frmAbout::frmAbout(QWidget* parent)
    : QDialog(parent), Image1(new QLabel(this)), Text1(new QLineEdit(this)), lblAbout(new QLabel(this))
{
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(505, 264);
    Image1->setGeometry(0, 0, 499, 144);
    Text1->setGeometry(184, 128, 137, 17);
    Text1->setText(QStringLiteral("Click to continue"));
    Text1->setEnabled(false);
    lblAbout->setGeometry(8, 152, 489, 105);
}

frmLike::frmLike(QWidget* parent) : QDialog(parent), Picture1(new QLabel(this)), Text1(new QPlainTextEdit(this))
{
    setWindowTitle(QStringLiteral("If you like this program"));
    setFixedSize(259, 162);
    Picture1->setGeometry(0, 0, 129, 41);
    Text1->setGeometry(0, 40, 257, 121);
    Text1->setReadOnly(true);
}

frmManual::frmManual(QWidget* parent) : QDialog(parent), Text1(new QPlainTextEdit(this))
{
    setWindowTitle(QStringLiteral("Manual"));
    resize(546, 418);
    Text1->setGeometry(0, 0, 545, 417);
    Text1->setReadOnly(true);
}

namespace {

template <typename Window>
void ShowModal(QWidget* parent)
{
    auto* window = new Window(parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->exec();
}

}  // namespace

void ShowAboutWindow(QWidget* parent) { ShowModal<frmAbout>(parent); }
void ShowLikeWindow(QWidget* parent) { ShowModal<frmLike>(parent); }
void ShowManualWindow(QWidget* parent) { ShowModal<frmManual>(parent); }

}  // namespace skerrow
