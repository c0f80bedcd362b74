#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace skerrow {

enum class MessageIcon { Information, Question, Critical };
enum class MessageButtons { Ok, YesNoCancel };

// Answer codes of a message box, kept at their traditional values.
inline constexpr int AnswerOk = 1;
inline constexpr int AnswerCancel = 2;
inline constexpr int AnswerYes = 6;
inline constexpr int AnswerNo = 7;

// Standard open-file-name flags, as 32-bit values.
inline constexpr std::uint32_t OfnOverwritePrompt = 0x2;
inline constexpr std::uint32_t OfnHideReadOnly = 0x4;
inline constexpr std::uint32_t OfnExtensionDifferent = 0x400;
inline constexpr std::uint32_t OfnPathMustExist = 0x800;
inline constexpr std::uint32_t OfnFileMustExist = 0x1000;

enum class FileDialogKind { Open, Save };

struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    bool cancelError = true;
    std::uint32_t flags = 0;
    std::string defaultExt;  // without the dot; appended to a name typed without one
    std::string initialName;
    std::string filter;  // "display|pattern|display|pattern"
};

enum class FileDialogOutcome { Chosen, Cancelled, Failed };

struct FileDialogResult {
    FileDialogOutcome outcome = FileDialogOutcome::Cancelled;
    std::string path;
    std::uint32_t flags = 0;  // OfnExtensionDifferent when the typed extension was not the default one
};

enum class ProgressWindow { Sort, File };

// The file a message is about, and the system's error number that made it (0 for none).
struct MessageSubject {
    std::string path;
    int error = 0;
    bool notPlain = false;  // a pipe, a device or a socket stands at path, which no error number says
};

// A voice file inside a disk image, as the chooser lists it.
struct ImageMemberRow {
    std::string name;  // its path on the disk, folders included
    std::string type;  // the format, e.g. "bank (.1bk)"
    int voices = 0;
};

// What File > Save to disk image asks for: the name the disk entry is offered with, and what the
// other fields start with. After a refused name the dialog comes back as the user left it.
struct ImageSaveRequest {
    std::string initialName;  // e.g. "UNTITLED.1BK"
    std::string imagePath{};  // empty: none yet
    bool small = false;
    bool correctName = false;  // the name is selected, ready to be typed over
};

struct ImageSaveAnswer {
    bool chosen = false;    // false when the user cancelled
    std::string imagePath;  // an existing image, or the file of a new one
    bool small = false;     // a new image is a 720 KB one rather than 1.44 MB
    std::string typedName;  // the name in the image, as typed
};

// Everything the logic needs of the desktop, so that it runs the same in a window, on a
// console and under test. No call reports a failure except FileDialog, whose failures come
// back as its outcome.
class Platform {
public:
    virtual ~Platform() = default;

    // Modal; returns one of the Answer codes. subject names the file the message is about and
    // the system's error that made it, where there is one: the window shows its messages exactly
    // as worded and ignores it; the console names the file and adds the system's reason.
    virtual int MessageBox(const std::string& text, const std::string& title, MessageIcon icon,
                           MessageButtons buttons, const MessageSubject& subject = {}) = 0;
    virtual FileDialogResult FileDialog(const FileDialogRequest& request) = 0;
    // Modal: the row of the voice file to open from the disk image at imagePath, or nothing
    // when the user cancelled.
    virtual std::optional<int> ChooseImageMember(const std::string& imagePath,
                                                 const std::vector<ImageMemberRow>& rows) = 0;
    // Modal: the image to save into, picked or made, and the name to save under.
    virtual ImageSaveAnswer ImageSaveDialog(const ImageSaveRequest& request) = 0;

    // Progress windows: shown modeless, driven by value and maximum (and a status line for the
    // file window), closed and discarded by the operation that showed them.
    virtual void ProgressShow(ProgressWindow window) = 0;
    virtual void ProgressSetMaximum(ProgressWindow window, int maximum) = 0;
    virtual void ProgressSetValue(ProgressWindow window, int value) = 0;
    virtual void ProgressSetLabel(ProgressWindow window, const std::string& text) = 0;
    virtual void ProgressClose(ProgressWindow window) = 0;

    // Handles pending events once and returns.
    virtual void YieldEvents() = 0;

    virtual void ShowHelpContents(const std::string& path) = 0;
    // The folder the program runs from, without a trailing separator except at the root.
    virtual std::string ProgramDirectory() = 0;
};

}  // namespace skerrow
