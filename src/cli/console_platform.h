#pragma once

#include "core/platform.h"

#include <cstdio>
#include <optional>
#include <string>

namespace skerrow {

// What a save dialog of our own answers for a name typed by the user: a name without an
// extension gets defaultExt appended (a trailing dot is taken as no extension), a name whose
// extension equals defaultExt ignoring case is taken as it is, and any other extension comes back
// chosen but flagged OfnExtensionDifferent, for Save As to refuse. A name that ends in '/' has no
// file name and is handed on unchanged, for the writer to refuse.
FileDialogResult AnswerSaveDialog(const std::string& typedName, const std::string& defaultExt);

// The platform of the command-line tool. Messages go to the error stream, text alone; nobody is
// there to answer, so a Yes/No/Cancel box counts as cancelled. The open dialog is never shown;
// the save dialog is answered with the name the command line gave, if any. Progress is drawn as
// one line on the error stream only when showProgress is set (the stream is a terminal).
class ConsolePlatform final : public Platform {
public:
    ConsolePlatform(std::FILE* err, bool showProgress);

    int MessageBox(const std::string& text, const std::string& title, MessageIcon icon,
                   MessageButtons buttons) override;
    FileDialogResult FileDialog(const FileDialogRequest& request) override;
    void ProgressShow(ProgressWindow window) override;
    void ProgressSetMaximum(ProgressWindow window, int maximum) override;
    void ProgressSetValue(ProgressWindow window, int value) override;
    void ProgressSetLabel(ProgressWindow window, const std::string& text) override;
    void ProgressClose(ProgressWindow window) override;
    void YieldEvents() override {}
    void ShowHelpContents(const std::string&) override {}
    std::string ProgramDirectory() override;

    // The next save dialog answers with this name; later ones are cancelled.
    void AnswerNextSaveWith(std::string typedName) { m_saveName = std::move(typedName); }
    // The path the last answered save dialog returned, extension included.
    const std::string& SavedPath() const { return m_savedPath; }

private:
    void DrawProgress();
    void ClearProgress();

    std::FILE* m_err;
    bool m_showProgress;
    bool m_progressVisible = false;
    ProgressWindow m_window = ProgressWindow::File;
    int m_maximum = 0;
    int m_value = 0;
    std::string m_label;
    std::optional<std::string> m_saveName;
    std::string m_savedPath;
};

}  // namespace skerrow
