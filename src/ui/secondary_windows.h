#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace skerrow {

// The About window: logo, title, version and credits; a click on the logo, the text or
// "Click to continue" closes it.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    QLabel* Image1;
    QLineEdit* Text1;
    QLabel* lblAbout;
};

// The contribution request; a click anywhere in it closes it.
class frmLike : public QDialog {
    Q_OBJECT
public:
    explicit frmLike(QWidget* parent = nullptr);

    QLabel* Picture1;
    QPlainTextEdit* Text1;
};

// The user manual as read-only text; closes only through its frame.
class frmManual : public QDialog {
    Q_OBJECT
public:
    explicit frmManual(QWidget* parent = nullptr);

    QPlainTextEdit* Text1;
};

// Each creates the window afresh, shows it modally, and discards it when it is closed.
void ShowAboutWindow(QWidget* parent);
void ShowLikeWindow(QWidget* parent);
void ShowManualWindow(QWidget* parent);

}  // namespace skerrow
