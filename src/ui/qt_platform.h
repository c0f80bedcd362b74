#pragma once

#include "core/platform.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QStringList>

#include <optional>

class QProgressBar;
class QWidget;

namespace skerrow {

class frmFileProgress;
class frmSortProgress;

// Qt's idea of "Text (patterns)" for one filter pair of "text|pattern|text|pattern". The pattern
// list replaces a parenthesised tail of the text, with ';' turned into spaces, and "*.*" becomes
// "*" so that names without a dot are listed too.
QStringList NameFiltersFrom(const std::string& filter);

// The program keeps no settings, and Qt's file dialog must not keep any on its behalf: it reads
// and writes its history, last folder and column state through QSettings(UserScope, "QtProject"),
// which would be the user's ~/.config/QtProject.conf (and /etc/xdg for the system scope). This
// points every QSettings of the process below the null device, where no folder can be made or read, not
// even by root: nothing is read from the user's or the system's configuration, and nothing is
// written anywhere, not even a private folder that a killed run would leave behind. Call it
// before anything of Qt's reads a setting.
void KeepNoSettings();

// The platform services on Qt Widgets. Dialogs and progress windows are parented to the window
// handed in (the main window), so they sit over it and go with it.
class QtPlatform final : public Platform {
public:
    explicit QtPlatform(QWidget* window = nullptr);
    ~QtPlatform() override;
    QtPlatform(const QtPlatform&) = delete;
    QtPlatform& operator=(const QtPlatform&) = delete;

    void SetWindow(QWidget* window) { m_window = window; }

    int MessageBox(const std::string& text, const std::string& title, MessageIcon icon,
                   MessageButtons buttons, const MessageSubject& subject = {}) override;
    FileDialogResult FileDialog(const FileDialogRequest& request) override;
    std::optional<int> ChooseImageMember(const std::string& imagePath,
                                         const std::vector<ImageMemberRow>& rows) override;
    ImageSaveAnswer ImageSaveDialog(const ImageSaveRequest& request) override;
    void ProgressShow(ProgressWindow window) override;
    void ProgressSetMaximum(ProgressWindow window, int maximum) override;
    void ProgressSetValue(ProgressWindow window, int value) override;
    void ProgressSetLabel(ProgressWindow window, const std::string& text) override;
    void ProgressClose(ProgressWindow window) override;
    void YieldEvents() override;
    void ShowHelpContents(const std::string& path) override;
    std::string ProgramDirectory() override;

    // The progress window now open, if any; for tests.
    QWidget* ProgressWidget(ProgressWindow window) const;

private:
    QProgressBar* Bar(ProgressWindow window);

    QPointer<QWidget> m_window;
    QPointer<frmSortProgress> m_sortProgress;
    QPointer<frmFileProgress> m_fileProgress;
    // A shown bar repaints at once on every new value; its latest value waits for the next yield.
    std::optional<int> m_pendingSortValue;
    std::optional<int> m_pendingFileValue;
    QElapsedTimer m_lastYield;  // when the event loop last ran for a yield; invalid: never
};

}  // namespace skerrow
