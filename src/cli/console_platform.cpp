#include "cli/console_platform.h"

#include "os/os.h"

namespace skerrow {

int ConsolePlatform::MessageBox(const std::string& text, const std::string&, MessageIcon,
                                MessageButtons buttons, const MessageSubject& subject)
{
    ClearProgress();
    std::string line = text;
    if (!subject.path.empty()) {
        if (line.find(subject.path) == std::string::npos)
            line = subject.path + ": " + line;
        if (subject.notPlain)
            line += " (not a regular file)";
        else if (subject.error != 0)
            line += " (" + Reason(subject.error) + ")";
    }
    Write(m_console.err, Shown(line, subject.path) + '\n');
    if (m_progressVisible)
        DrawProgress();
    return buttons == MessageButtons::YesNoCancel ? AnswerCancel : AnswerOk;
}

std::string ConsolePlatform::Shown(std::string_view line, std::string_view path) const
{
    // Messages quote paths and names as they are: escaped whole for a terminal, as every text
    // that carries a user's bytes. Only the message's own line feeds (a two-line message) start
    // a new line; one in the path it names is escaped with the path.
    if (!m_console.errIsTerminal)
        return std::string(line);
    std::string shown;
    while (!line.empty()) {
        const std::size_t at = path.empty() ? std::string_view::npos : line.find(path);
        const std::string_view text = line.substr(0, at);
        for (std::size_t start = 0;;) {
            const std::size_t feed = text.find('\n', start);
            shown += ForTerminal(text.substr(start, feed - start), Field::Path, m_console.charset);
            if (feed == std::string_view::npos)
                break;
            shown += '\n';
            start = feed + 1;
        }
        if (at == std::string_view::npos)
            break;
        shown += ForTerminal(path, Field::Path, m_console.charset);
        line.remove_prefix(at + path.size());
    }
    return shown;
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
    const std::string folder = os::ProgramDirectory();
    return folder.empty() ? "." : folder;
}

void ConsolePlatform::DrawProgress()
{
    if (!m_console.errIsTerminal)
        return;
    std::string line = "\r";
    // The label holds a voice name: bytes a terminal must not take as commands.
    line += m_window == ProgressWindow::Sort ? "Sorting ..."
            : m_label.empty()                ? "Writing ..."
                                             : ForTerminal(m_label, Field::Name, m_console.charset);
    line += ' ';
    line += std::to_string(m_value);
    line += '/';
    line += std::to_string(m_maximum);
    line += "\x1b[K";
    std::fwrite(line.data(), 1, line.size(), m_console.err);
    std::fflush(m_console.err);
}

void ConsolePlatform::ClearProgress()
{
    if (!m_console.errIsTerminal || !m_progressVisible)
        return;
    std::fputs("\r\x1b[K", m_console.err);
    std::fflush(m_console.err);
}

}  // namespace skerrow
