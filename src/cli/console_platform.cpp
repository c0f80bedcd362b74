#include "cli/console_platform.h"

#include <filesystem>
#include <system_error>

namespace skerrow {

ConsolePlatform::ConsolePlatform(std::FILE* err, bool showProgress) : m_err(err), m_showProgress(showProgress)
{
}

int ConsolePlatform::MessageBox(const std::string& text, const std::string&, MessageIcon,
                                MessageButtons buttons)
{
    ClearProgress();
    std::fwrite(text.data(), 1, text.size(), m_err);
    std::fputc('\n', m_err);
    std::fflush(m_err);
    if (m_progressVisible)
        DrawProgress();
    return buttons == MessageButtons::YesNoCancel ? AnswerCancel : AnswerOk;
}

void ConsolePlatform::ProgressShow(ProgressWindow window)
{
    m_window = window;
    m_progressVisible = true;
    DrawProgress();
}

void ConsolePlatform::ProgressSetMaximum(ProgressWindow window, int maximum)
{
    m_window = window;
    m_maximum = maximum;
    if (m_progressVisible)
        DrawProgress();
}

void ConsolePlatform::ProgressSetValue(ProgressWindow window, int value)
{
    m_window = window;
    m_value = value;
    if (m_progressVisible)
        DrawProgress();
}

void ConsolePlatform::ProgressSetLabel(ProgressWindow window, const std::string& text)
{
    m_window = window;
    m_label = text;
    if (m_progressVisible)
        DrawProgress();
}

void ConsolePlatform::ProgressClose(ProgressWindow)
{
    ClearProgress();
    m_progressVisible = false;
    m_label.clear();
    m_value = 0;
    m_maximum = 0;
}

std::string ConsolePlatform::ProgramDirectory()
{
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return ".";
    return exe.parent_path().string();
}

void ConsolePlatform::DrawProgress()
{
    if (!m_showProgress)
        return;
    std::string line = "\r";
    line += m_window == ProgressWindow::Sort ? "Sorting ..." : (m_label.empty() ? "Writing ..." : m_label);
    line += ' ';
    line += std::to_string(m_value);
    line += '/';
    line += std::to_string(m_maximum);
    line += "\x1b[K";
    std::fwrite(line.data(), 1, line.size(), m_err);
    std::fflush(m_err);
}

void ConsolePlatform::ClearProgress()
{
    if (!m_showProgress || !m_progressVisible)
        return;
    std::fputs("\r\x1b[K", m_err);
    std::fflush(m_err);
}

}  // namespace skerrow
