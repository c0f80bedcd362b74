#include "scripted_platform.h"

namespace skerrow::test {

namespace {

const char* WindowName(ProgressWindow window)
{
    return window == ProgressWindow::Sort ? "Sort" : "File";
}

const char* IconName(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Information:
        return "Information";
    case MessageIcon::Question:
        return "Question";
    case MessageIcon::Critical:
        return "Critical";
    }
    return "?";
}

}  // namespace

std::string PlatformCall::Describe() const
{
    const std::string w = WindowName(window);
    switch (kind) {
    case Kind::MessageBox:
        return "MessageBox(" + title + "|" + text + "|" + IconName(icon) + "|" +
               (buttons == MessageButtons::Ok ? "Ok" : "YesNoCancel") + ")";
    case Kind::FileDialog:
        return std::string("FileDialog(") + (request.kind == FileDialogKind::Open ? "Open" : "Save") + ")";
    case Kind::ProgressShow:
        return "Show(" + w + ")";
    case Kind::ProgressSetMaximum:
        return "SetMaximum(" + w + "," + std::to_string(value) + ")";
    case Kind::ProgressSetValue:
        return "SetValue(" + w + "," + std::to_string(value) + ")";
    case Kind::ProgressSetLabel:
        return "SetLabel(" + w + "," + text + ")";
    case Kind::ProgressClose:
        return "Close(" + w + ")";
    case Kind::Yield:
        return "Yield";
    case Kind::ShowHelp:
        return "ShowHelp(" + text + ")";
    case Kind::ProgramDirectory:
        return "ProgramDirectory";
    case Kind::ChooseImageMember:
        return "ChooseImageMember(" + text + ")";
    case Kind::ImageSaveDialog:
        return "ImageSaveDialog(" + text + ")";
    }
    return "?";
}

PlatformCall& ScriptedPlatform::Record(PlatformCall::Kind kind, ProgressWindow window)
{
    PlatformCall& call = calls.emplace_back();
    call.kind = kind;
    call.window = window;
    return call;
}

int ScriptedPlatform::MessageBox(const std::string& text, const std::string& title, MessageIcon icon,
                                 MessageButtons buttons, const MessageSubject&)
{
    PlatformCall& call = Record(PlatformCall::Kind::MessageBox);
    call.text = text;
    call.title = title;
    call.icon = icon;
    call.buttons = buttons;
    if (onMessage)
        onMessage();
    if (!messageAnswers.empty()) {
        const int answer = messageAnswers.front();
        messageAnswers.pop_front();
        return answer;
    }
    return buttons == MessageButtons::Ok ? AnswerOk : AnswerCancel;
}

FileDialogResult ScriptedPlatform::FileDialog(const FileDialogRequest& request)
{
    Record(PlatformCall::Kind::FileDialog).request = request;
    if (!dialogAnswers.empty()) {
        FileDialogResult result = dialogAnswers.front();
        dialogAnswers.pop_front();
        return result;
    }
    return {FileDialogOutcome::Cancelled, {}, 0};
}

std::optional<int> ScriptedPlatform::ChooseImageMember(const std::string& imagePath,
                                                       const std::vector<ImageMemberRow>& rows)
{
    PlatformCall& call = Record(PlatformCall::Kind::ChooseImageMember);
    call.text = imagePath;
    call.rows = rows;
    if (memberAnswers.empty())
        return std::nullopt;
    const std::optional<int> answer = memberAnswers.front();
    memberAnswers.pop_front();
    return answer;
}

ImageSaveAnswer ScriptedPlatform::ImageSaveDialog(const ImageSaveRequest& request)
{
    PlatformCall& call = Record(PlatformCall::Kind::ImageSaveDialog);
    call.text = request.initialName;
    call.imageRequest = request;
    if (imageSaveAnswers.empty())
        return {};
    ImageSaveAnswer answer = imageSaveAnswers.front();
    imageSaveAnswers.pop_front();
    return answer;
}

void ScriptedPlatform::AnswerDialog(const std::string& path, std::uint32_t flags)
{
    dialogAnswers.push_back({FileDialogOutcome::Chosen, path, flags});
}

void ScriptedPlatform::CancelDialog()
{
    dialogAnswers.push_back({FileDialogOutcome::Cancelled, {}, 0});
}

void ScriptedPlatform::ProgressShow(ProgressWindow window)
{
    Record(PlatformCall::Kind::ProgressShow, window);
}

void ScriptedPlatform::ProgressSetMaximum(ProgressWindow window, int maximum)
{
    Record(PlatformCall::Kind::ProgressSetMaximum, window).value = maximum;
}

void ScriptedPlatform::ProgressSetValue(ProgressWindow window, int value)
{
    Record(PlatformCall::Kind::ProgressSetValue, window).value = value;
}

void ScriptedPlatform::ProgressSetLabel(ProgressWindow window, const std::string& text)
{
    Record(PlatformCall::Kind::ProgressSetLabel, window).text = text;
}

void ScriptedPlatform::ProgressClose(ProgressWindow window)
{
    Record(PlatformCall::Kind::ProgressClose, window);
}

void ScriptedPlatform::YieldEvents()
{
    Record(PlatformCall::Kind::Yield);
    if (onYield)
        onYield();
}

void ScriptedPlatform::ShowHelpContents(const std::string& path)
{
    Record(PlatformCall::Kind::ShowHelp).text = path;
}

std::string ScriptedPlatform::ProgramDirectory()
{
    Record(PlatformCall::Kind::ProgramDirectory);
    return programDirectory;
}

std::vector<PlatformCall> ScriptedPlatform::Messages() const
{
    std::vector<PlatformCall> out;
    for (const auto& call : calls)
        if (call.kind == PlatformCall::Kind::MessageBox)
            out.push_back(call);
    return out;
}

std::vector<std::string> ScriptedPlatform::Described() const
{
    std::vector<std::string> out;
    for (const auto& call : calls)
        out.push_back(call.Describe());
    return out;
}

std::vector<std::string> ScriptedPlatform::DescribedProgress() const
{
    std::vector<std::string> out;
    for (const auto& call : calls) {
        switch (call.kind) {
        case PlatformCall::Kind::ProgressShow:
        case PlatformCall::Kind::ProgressSetMaximum:
        case PlatformCall::Kind::ProgressSetValue:
        case PlatformCall::Kind::ProgressSetLabel:
        case PlatformCall::Kind::ProgressClose:
        case PlatformCall::Kind::Yield:
            out.push_back(call.Describe());
            break;
        default:
            break;
        }
    }
    return out;
}

std::vector<std::string> TestLibrarian::SourceNames() const
{
    std::vector<std::string> names;
    for (int i = 0; i < List1.Count(); ++i)
        names.push_back(List1.Text(i));
    return names;
}

std::vector<std::string> TestLibrarian::DestNames() const
{
    std::vector<std::string> names;
    for (int i = 0; i < List2.Count(); ++i)
        names.push_back(List2.Text(i));
    return names;
}

std::vector<int> TestLibrarian::DestSelection() const
{
    std::vector<int> selected;
    for (int i = 0; i < List2.Count(); ++i)
        if (List2.Selected(i))
            selected.push_back(i);
    return selected;
}

}  // namespace skerrow::test
