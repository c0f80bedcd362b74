#include "editing/messages.h"

#include "voicefile/layout.h"

namespace skerrow {

std::string FormatName(int slots)
{
    const std::string kind = slots == 1 ? "single voice" : slots == 16 ? "bank" : "all voices";
    return kind + " (." + std::string(layout::ExtensionFor(slots)) + ")";
}

std::string NotFoundMessage(const std::string& path)
{
    return path + " not found.";
}

std::string ReadErrorMessage(const std::string& path)
{
    return "Read error: " + path;
}

std::string HeadMessage(HeadStatus status, const std::string& path)
{
    switch (status) {
    case HeadStatus::Ok:
        return {};
    case HeadStatus::NotFound:
        return NotFoundMessage(path);
    case HeadStatus::ReadError:
        return ReadErrorMessage(path);
    case HeadStatus::Truncated:
        return "Bad or truncated VL file.";
    case HeadStatus::BadCount:
        return "Bad record count in VL file.";
    }
    return {};
}

std::string ImageFailureMessage(const diskimage::LoadedImage& loaded, const std::string& path)
{
    switch (loaded.failure) {
    case diskimage::ImageFailure::Damaged:
        return path + ": " + loaded.damage;
    case diskimage::ImageFailure::ReadError:
        return ReadErrorMessage(path);
    case diskimage::ImageFailure::NotFound:
    case diskimage::ImageFailure::None:
        break;
    }
    return NotFoundMessage(path);
}

std::string WriteFailureMessage(const WriteResult& result, const std::string& target)
{
    switch (result.failure) {
    case WriteFailure::Creation:
        return "Creation error: " + target;
    case WriteFailure::Write:
        return "Write error: " + target;
    case WriteFailure::SourceNotFound:
        return NotFoundMessage(result.path);
    case WriteFailure::SourceRead:
        return ReadErrorMessage(result.path);
    case WriteFailure::None:
        break;
    }
    return {};
}

const std::string& WriteFailureSubject(const WriteResult& result, const std::string& target)
{
    const bool ofTarget = result.failure == WriteFailure::Creation || result.failure == WriteFailure::Write;
    return ofTarget ? target : result.path;
}

}  // namespace skerrow
