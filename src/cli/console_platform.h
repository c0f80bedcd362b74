#pragma once

#include "core/platform.h"

#include <cstdio>
#include <string>

namespace skerrow {

// The platform of the command-line tool. Messages go to the error stream, text alone; nobody is
// there to answer, so a Yes/No/Cancel box counts as cancelled and a file dialog as cancelled (the
// commands take paths). Progress is drawn as one line on the error stream only when showProgress
// is set (the stream is a terminal).
class ConsolePlatform final : public Platform {
public:
    ConsolePlatform(std::FILE* err, bool showProgress);

    int MessageBox(const std::string& text, const std::string& title, MessageIcon icon,
                   MessageButtons buttons) override;
    FileDialogResult FileDialog(const FileDialogRequest&) override { return {}; }
    void ProgressShow(ProgressWindow window) override;
    void ProgressSetMaximum(ProgressWindow window, int maximum) override;
    void ProgressSetValue(ProgressWindow window, int value) override;
    void ProgressSetLabel(ProgressWindow window, const std::string& text) override;
    void ProgressClose(ProgressWindow window) override;
    void YieldEvents() override {}
    void ShowHelpContents(const std::string&) override {}
    std::string ProgramDirectory() override;

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
};

}  // namespace skerrow
