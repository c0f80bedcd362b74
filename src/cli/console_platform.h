#pragma once

#include "cli/output.h"
#include "core/platform.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace skerrow {

// The platform of the command-line tool. Messages go to the error stream, text alone, worded for
// a command line: a message about a file that does not name it is prefixed with the file
// ("a.1bk: Bad record count in VL file."), and the system's reason follows where there is one
// ("b.1bk not found. (Permission denied)"). Nobody is there to answer, so a Yes/No/Cancel box
// counts as cancelled and a file dialog as cancelled (the commands take paths). Progress is drawn
// as one line on the error stream only when it is a terminal.
class ConsolePlatform final : public Platform {
public:
    explicit ConsolePlatform(const Console& console) : m_console(console) {}

    int MessageBox(const std::string& text, const std::string& title, MessageIcon icon,
                   MessageButtons buttons, const MessageSubject& subject = {}) override;
    FileDialogResult FileDialog(const FileDialogRequest&) override { return {}; }
    std::optional<int> ChooseImageMember(const std::string&, const std::vector<ImageMemberRow>&) override
    {
        return std::nullopt;
    }
    ImageSaveAnswer ImageSaveDialog(const ImageSaveRequest&) override { return {}; }
    void ProgressShow(ProgressWindow window) override;
    void ProgressSetMaximum(ProgressWindow window, int maximum) override;
    void ProgressSetValue(ProgressWindow window, int value) override;
    void ProgressSetLabel(ProgressWindow window, const std::string& text) override;
    void ProgressClose(ProgressWindow window) override;
    void YieldEvents() override {}
    void ShowHelpContents(const std::string&) override {}
    std::string ProgramDirectory() override;

private:
    // line as it goes to the error stream, path (which line quotes) escaped whole.
    std::string Shown(std::string_view line, std::string_view path) const;
    void DrawProgress();
    void ClearProgress();

    Console m_console;
    bool m_progressVisible = false;
    ProgressWindow m_window = ProgressWindow::File;
    int m_maximum = 0;
    int m_value = 0;
    std::string m_label;
};

}  // namespace skerrow
