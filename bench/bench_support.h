#pragma once

#include "core/platform.h"

#include <string>

// What the benchmarks share: a platform that shows nothing and a scratch folder.
namespace skerrow::bench {

// Answers every box with OK and every dialog with a cancel, and keeps no record, so that
// thousands of iterations cost no memory.
class QuietPlatform final : public Platform {
public:
    int MessageBox(const std::string&, const std::string&, MessageIcon, MessageButtons,
                   const MessageSubject&) override
    {
        return AnswerOk;
    }
    FileDialogResult FileDialog(const FileDialogRequest&) override { return {}; }
    std::optional<int> ChooseImageMember(const std::string&, const std::vector<ImageMemberRow>&) override
    {
        return std::nullopt;
    }
    ImageSaveAnswer ImageSaveDialog(const ImageSaveRequest&) override { return {}; }
    void ProgressShow(ProgressWindow) override {}
    void ProgressSetMaximum(ProgressWindow, int) override {}
    void ProgressSetValue(ProgressWindow, int) override {}
    void ProgressSetLabel(ProgressWindow, const std::string&) override {}
    void ProgressClose(ProgressWindow) override {}
    void YieldEvents() override {}
    void ShowHelpContents(const std::string&) override {}
    std::string ProgramDirectory() override { return "."; }
};

// A folder under base (the system's temporary folder when empty), removed with its contents at
// exit.
const std::string& ScratchDir(const std::string& base = {});

// Writes bytes to path, or ends the benchmark with a message.
void PutFile(const std::string& path, const std::string& bytes);

}  // namespace skerrow::bench
