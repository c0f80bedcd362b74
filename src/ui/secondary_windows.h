#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace skerrow {

// The About window: logo, title, version and credits. A click on the logo, on the text or on
// "Click to continue" closes it; a click on the bare background does nothing.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    // The seven lines of lblAbout, joined by single line feeds.
    static QString AboutText();

    QLabel* Image1;
    QLineEdit* Text1;
    QLabel* lblAbout;

private:
    void Form_Load();
};

// The contribution request; a click anywhere in it, text and picture included, closes it.
class frmLike : public QDialog {
    Q_OBJECT
public:
    explicit frmLike(QWidget* parent = nullptr);

    // The request as the window holds it: lines ending in carriage return and line feed.
    static QString RequestText();

    QLabel* Picture1;
    QPlainTextEdit* Text1;
};

// The user manual as read-only text that can be scrolled, selected and copied. It closes only
// through its frame, and its text field keeps its size when the window is resized.
class frmManual : public QDialog {
    Q_OBJECT
public:
    explicit frmManual(QWidget* parent = nullptr);

    // The manual as it is compiled into the program, lines ending in carriage return and line feed.
    static QString ManualText();

    QPlainTextEdit* Text1;
};

// Each creates the window afresh, shows it modally, and discards it when it is closed.
void ShowAboutWindow(QWidget* parent);
void ShowLikeWindow(QWidget* parent);
void ShowManualWindow(QWidget* parent);

namespace detail {

// What may not close a window. AgainstEscape: Esc does nothing, so the window closes only the ways
// its own controls and frame allow. AgainstEscapeAndFrame: neither Esc nor the user's close request
// through the frame closes it; only the program that opened it does.
enum class KeepOpen { AgainstEscape, AgainstEscapeAndFrame };
void KeepOpenFor(QDialog& window, KeepOpen against);

}  // namespace detail

}  // namespace skerrow
