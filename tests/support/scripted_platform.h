#pragma once

#include "core/librarian.h"
#include "core/memory_librarian.h"
#include "core/platform.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace skerrow::test {

// One call the logic made, in the order made.
struct PlatformCall {
    enum class Kind {
        MessageBox,
        FileDialog,
        ProgressShow,
        ProgressSetMaximum,
        ProgressSetValue,
        ProgressSetLabel,
        ProgressClose,
        Yield,
        ShowHelp,
        ProgramDirectory,
        ChooseImageMember,
        ImageSaveDialog,
    };
    Kind kind = Kind::Yield;
    std::string text;   // message text, progress label, help path
    std::string title;  // message title
    MessageIcon icon = MessageIcon::Information;
    MessageButtons buttons = MessageButtons::Ok;
    FileDialogRequest request;
    ImageSaveRequest imageRequest;
    std::vector<ImageMemberRow> rows;  // what the chooser listed; text holds the image's path
    ProgressWindow window = ProgressWindow::Sort;
    int value = 0;

    // A readable one-line form, e.g. "SetValue(File,3)", for comparing whole sequences.
    std::string Describe() const;
};

// A platform that records every call and answers message boxes and dialogs from queues a test
// fills. Unscripted boxes answer OK (or Cancel for Yes/No/Cancel); unscripted dialogs cancel.
class ScriptedPlatform final : public Platform {
public:
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

    // Answers, taken from the front.
    std::deque<int> messageAnswers;
    std::deque<FileDialogResult> dialogAnswers;
    std::deque<std::optional<int>> memberAnswers;  // unscripted: cancelled
    std::deque<ImageSaveAnswer> imageSaveAnswers;  // unscripted: cancelled
    void AnswerDialog(const std::string& path, std::uint32_t flags = 0);
    void CancelDialog();

    std::function<void()> onYield;    // runs inside every YieldEvents
    std::function<void()> onMessage;  // runs inside every MessageBox, while it is up
    std::string programDirectory = "/opt/skerrow";

    std::vector<PlatformCall> calls;
    std::vector<PlatformCall> Messages() const;          // the MessageBox calls only
    std::vector<std::string> Described() const;          // every call, described
    std::vector<std::string> DescribedProgress() const;  // progress and yield calls, described
    void ClearCalls() { calls.clear(); }

private:
    PlatformCall& Record(PlatformCall::Kind kind, ProgressWindow window = ProgressWindow::Sort);
};

// A librarian with in-memory views and the scripted platform, for tests.
struct TestLibrarian : MemoryLibrarian<ScriptedPlatform> {
    std::vector<std::string> SourceNames() const;
    std::vector<std::string> DestNames() const;
    std::vector<int> DestSelection() const;  // indices of the selected destination items
};

}  // namespace skerrow::test
