#include "editing/save_to_image.h"

#include "core/ascii.h"
#include "core/paths.h"
#include "core/save_name.h"
#include "diskimage/image_file.h"
#include "diskimage/short_name.h"
#include "editing/messages.h"
#include "editing/save_as.h"
#include "voicefile/layout.h"

namespace skerrow {

namespace {

std::string UpperExtension(int slots)
{
    std::string extension(layout::ExtensionFor(slots));
    for (char& c : extension)
        c = AsciiUpper(c);
    return extension;
}

void Refuse(Librarian& lib, const std::string& text, const std::string& path = {}, int error = 0)
{
    lib.platform.MessageBox(text, "Error", MessageIcon::Critical, MessageButtons::Ok, {path, error});
}

// A refused name sends the user back to the dialog; any other failure ends the command.
enum class ImageSave { Saved, NameRefused, Failed };

ImageSave SaveIntoImage(Librarian& lib, const diskimage::ImagePath& where,
                        std::optional<diskimage::FloppySize> newImage, bool askBeforeReplacing,
                        std::string* written);

}  // namespace

void SaveDestinationToImage(Librarian& lib)
{
    if (!ChooseSaveFormat(lib))
        return;
    ImageSaveRequest request{"UNTITLED." + UpperExtension(lib.state.SaveSlots)};
    // Voices taken from a disk image most often go back into it.
    if (const std::optional<diskimage::ImagePath> source =
            diskimage::SplitImagePath(lib.state.CurrentSourcePath))
        request.imagePath = source->image;
    const Flag abortedBefore = lib.state.SaveAborted;
    for (;;) {
        const ImageSaveAnswer answer = lib.platform.ImageSaveDialog(request);
        if (!answer.chosen) {
            lib.state.SaveAborted = FlagTrue;
            return;
        }
        std::optional<diskimage::FloppySize> newImage;
        if (!os::EntryExists(answer.imagePath))
            newImage = answer.small ? diskimage::FloppySize::Kb720 : diskimage::FloppySize::Kb1440;
        if (SaveIntoImage(lib, diskimage::ImagePath{answer.imagePath, answer.typedName, false, nullptr},
                          newImage, true, nullptr) != ImageSave::NameRefused)
            return;
        // Back to the dialog as the user left it, the name ready to be corrected.
        lib.state.SaveAborted = abortedBefore;
        request = {answer.typedName, answer.imagePath, answer.small, true};
    }
}

bool SaveDestinationIntoImage(Librarian& lib, const std::string& imagePath, const std::string& member,
                              std::optional<diskimage::FloppySize> newImage, bool askBeforeReplacing,
                              std::string* written)
{
    return SaveDestinationIntoImage(lib, diskimage::ImagePath{imagePath, member, false, nullptr}, newImage,
                                    askBeforeReplacing, written);
}

bool SaveDestinationIntoImage(Librarian& lib, const diskimage::ImagePath& where,
                              std::optional<diskimage::FloppySize> newImage, bool askBeforeReplacing,
                              std::string* written)
{
    return SaveIntoImage(lib, where, newImage, askBeforeReplacing, written) == ImageSave::Saved;
}

namespace {

ImageSave SaveIntoImage(Librarian& lib, const diskimage::ImagePath& where,
                        std::optional<diskimage::FloppySize> newImage, bool askBeforeReplacing,
                        std::string* written)
{
    const std::string& imagePath = where.image;
    const std::string& member = where.member;
    const std::size_t slash = member.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : member.substr(0, slash);
    const std::string typed = slash == std::string::npos ? member : member.substr(slash + 1);

    const std::string extension = UpperExtension(lib.state.SaveSlots);
    const SaveName name = SaveNameFor(typed, extension);
    if (name.extensionDiffers) {
        RefuseExtension(lib);
        return ImageSave::NameRefused;
    }
    const diskimage::ShortName shortName = diskimage::NormaliseShortName(name.path);
    if (!shortName.error.empty()) {
        lib.platform.MessageBox(shortName.error, "Stop", MessageIcon::Critical, MessageButtons::Ok);
        lib.state.SaveAborted = FlagTrue;
        return ImageSave::NameRefused;
    }

    // The image is read once for the whole save: the checks, the blocks it holds and the write.
    std::shared_ptr<diskimage::LoadedImage> loaded;
    if (newImage) {
        loaded = std::make_shared<diskimage::LoadedImage>();
        loaded->image = diskimage::FatImage::Open(diskimage::NewFatImage(*newImage)).image;
    } else {
        loaded = std::make_shared<diskimage::LoadedImage>(diskimage::LoadImage(where));
        if (!loaded->image) {
            Refuse(lib, ImageFailureMessage(*loaded, imagePath), imagePath, loaded->error);
            return ImageSave::Failed;
        }
    }

    // Everything the image could refuse is asked before anything is written: a damaged or full
    // disk, a full folder, a folder in the way, a file marked read-only.
    const diskimage::FatTime now = diskimage::FatTimeNow();
    const diskimage::WriteResult check =
        loaded->image->CheckWrite(folder, shortName.text, layout::FileSize(lib.state.SaveSlots));
    const std::string target = JoinPath(imagePath, check.path.empty() ? shortName.text : check.path);
    if (check.readOnly) {
        Refuse(lib, target + " is read-only on the disk", target);
        return ImageSave::NameRefused;
    }
    if (!check.error.empty()) {
        Refuse(lib, target + ": " + check.error, target);
        return ImageSave::Failed;
    }
    if (check.replaced && askBeforeReplacing &&
        lib.platform.MessageBox(target + " already exists.\nDo you want to replace it?", "Query",
                                MessageIcon::Question, MessageButtons::YesNoCancel) != AnswerYes) {
        lib.state.SaveAborted = FlagTrue;
        return ImageSave::NameRefused;
    }
    diskimage::AnySourceBlocks blocks;
    if (!newImage)
        blocks.Adopt(imagePath, loaded);
    const bool saved = WriteDestination(
        lib, target,
        [&] {
            return diskimage::ReplaceMember(imagePath, loaded, newImage.has_value(), folder, shortName.text,
                                            now);
        },
        &blocks);
    if (saved && written)
        *written = target;
    return saved ? ImageSave::Saved : ImageSave::Failed;
}

}  // namespace

}  // namespace skerrow
