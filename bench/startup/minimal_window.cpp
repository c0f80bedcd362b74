// The baseline of the start-up benchmark: the least a Qt Widgets program does to show one
// window, a dialog with a line of text and a button, run modally as the program's first window
// is. Built with the same compiler, options and Qt as the program.

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QDialog window;
    window.setWindowTitle(QStringLiteral("Minimal"));
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(QStringLiteral("One window, nothing else."), &window));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &window);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &window, &QDialog::accept);
    layout->addWidget(buttons);
    return window.exec() == QDialog::Accepted ? 0 : 1;
}
