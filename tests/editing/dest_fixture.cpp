#include "dest_fixture.h"

#include <cstdint>

namespace skerrow::test {

namespace {

const std::string PathPrefix = "/voices/file";

std::string Hex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += digits[b >> 4];
        out += digits[b & 0xF];
    }
    return out;
}

std::int16_t NumberFor(const std::string& name)
{
    unsigned sum = 0;
    for (const char c : name)
        sum = sum * 31u + static_cast<unsigned char>(c);
    return static_cast<std::int16_t>(1 + sum % 128);
}

}  // namespace

DestEntry EntryFor(const std::string& name, int fileId)
{
    return {PathPrefix + std::to_string(fileId) + "/" + Hex(name) + ".avc", NumberFor(name)};
}

int FileIdOf(const DestEntry& entry)
{
    if (entry.SourcePath.rfind(PathPrefix, 0) != 0)
        return -1;
    return std::stoi(entry.SourcePath.substr(PathPrefix.size()));
}

void AddDest(TestLibrarian& t, const std::string& name, bool selected, int fileId)
{
    t.List2.AddItem(name);
    const int k = t.List2.Count() - 1;
    t.List2.SetSelected(k, selected);
    t.state.DestEntries[static_cast<size_t>(k)] = EntryFor(name, fileId);
}

void FillDest(TestLibrarian& t, const std::vector<std::string>& names, const std::vector<int>& selected)
{
    for (const std::string& name : names)
        AddDest(t, name);
    for (const int k : selected)
        t.List2.SetSelected(k, true);
}

::testing::AssertionResult DestIsParallel(const TestLibrarian& t)
{
    const int n = t.List2.Count();
    if (n > MaxDestEntries)
        return ::testing::AssertionFailure() << n << " destination items";
    for (int k = 0; k < n; ++k) {
        const std::string name = t.List2.Text(k);
        const DestEntry& entry = t.state.DestEntries[static_cast<size_t>(k)];
        const DestEntry expected = EntryFor(name, FileIdOf(entry));
        if (entry != expected)
            return ::testing::AssertionFailure()
                   << "item " << k << " is named '" << name << "' but its entry is " << entry.SourcePath
                   << " #" << entry.VoiceNumber;
    }
    return ::testing::AssertionSuccess();
}

std::vector<std::string> Letters(const std::string& letters)
{
    std::vector<std::string> names;
    for (const char c : letters)
        names.emplace_back(1, c);
    return names;
}

}  // namespace skerrow::test
