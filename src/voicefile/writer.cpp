#include "voicefile/writer.h"

#include "voicefile/layout.h"

#include <algorithm>

namespace skerrow {

BlockRead FileBlockSource::Read(const VoiceFileEntry& entry, std::string& block)
{
    // Only a plain file: a source replaced by a named pipe must not hold the save.
    os::OpenResult source = os::OpenForReading(entry.sourcePath);
    if (!source.file)
        return {WriteFailure::SourceNotFound, source.error, std::nullopt,
                source.failure == os::OpenFailure::NotPlain};
    return ReadBlock([&](std::uint64_t offset, char* data, std::size_t size,
                         int* error) { return source.file.ReadAt(offset, data, size, error); },
                     entry.slot, block, source.file.Id());
}

BlockRead ReadBlock(const ReadAtFunction& readAt, int slot, std::string& block,
                    std::optional<os::FileId> file)
{
    block.assign(layout::BlockSize, '\0');
    int error = 0;
    const bool read = slot >= 1 &&  // slot 0 would be the head, not a voice
                      readAt(layout::BlockOffset(slot), block.data(), block.size(), &error) ==
                          static_cast<std::int64_t>(block.size());
    return {read ? WriteFailure::None : WriteFailure::SourceRead, read ? 0 : error, std::move(file)};
}

std::string BuildHead(const VoiceFileContents& what)
{
    std::string head(layout::HeadSize, '\0');
    head.replace(0, std::min(what.preamble.size(), layout::PreambleSize), what.preamble, 0,
                 layout::PreambleSize);
    head[layout::SlotCountOffset] = static_cast<char>(what.slotCount);
    for (std::size_t i = 0; i < what.entries.size(); ++i)
        head.replace(layout::EntryOffset(static_cast<int>(i)), layout::EntrySize,
                     layout::DirectoryEntry(what.entries[i].name));
    return head;
}

WriteResult WriteVoiceFile(const VoiceFileContents& what, BlockSource& blocks, os::ReplacingFile& file,
                           WriteProgress& progress)
{
    const auto failed = [&file](WriteFailure failure) {
        return WriteResult{failure, {}, file.Error(), file.NotPlain(), {}, {}};
    };
    // A file whose count cannot hold its entries would lie about its own contents.
    if (!layout::IsValidSlotCount(static_cast<unsigned>(what.slotCount)) ||
        what.entries.size() > static_cast<std::size_t>(what.slotCount))
        return {WriteFailure::Creation, {}, 0, false, {}, {}};
    if (!file.Create())
        return failed(WriteFailure::Creation);

    progress.Started(what.slotCount);
    if (!file.Write(BuildHead(what)))
        return failed(WriteFailure::Write);

    WriteResult done;
    done.replaced = file.Replaced();
    std::string block;
    for (std::size_t i = 0; i < what.entries.size(); ++i) {
        const VoiceFileEntry& entry = what.entries[i];
        progress.SlotStarted(static_cast<int>(i) + 1);
        const BlockRead read = blocks.Read(entry, block);
        if (read.failure != WriteFailure::None)
            return {read.failure, entry.sourcePath, read.error, read.notPlain, {}, {}};
        if (done.replaced && read.file == done.replaced)
            done.entriesFromReplaced.push_back(i);
        progress.VoiceRead(entry.name);
        if (!file.Write(block))
            return failed(WriteFailure::Write);
    }

    const std::string zeros(layout::BlockSize, '\0');
    for (int slot = static_cast<int>(what.entries.size()) + 1; slot <= what.slotCount; ++slot) {
        progress.SlotStarted(slot);
        if (!file.Write(zeros))
            return failed(WriteFailure::Write);
    }

    if (!file.Commit())
        return failed(WriteFailure::Write);
    return done;
}

}  // namespace skerrow
