// The command-line selection ("3,9,5", "1-4,7") and the SOURCE[:SELECTION] split. Checked
// against a reference parser written here from the grammar, and by reading back the text form.

#include "fuzz_support.h"

#include "cli/selection.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skerrow::fuzz {
namespace {

// digits with a value from 1 to INT_MAX; leading zeros are allowed.
std::optional<int> ReferenceNumber(std::string_view text)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    const auto nonZero = text.find_first_not_of('0');
    if (nonZero == std::string_view::npos)
        return std::nullopt;
    const std::string_view digits = text.substr(nonZero);
    const std::string max = std::to_string(INT_MAX);
    if (digits.size() > max.size() || (digits.size() == max.size() && digits > max))
        return std::nullopt;
    return std::stoi(std::string(digits));
}

// selection = item ("," item)* ; item = number | number "-" number with first <= last.
std::optional<std::vector<SlotRange>> ReferenceSelection(std::string_view text)
{
    std::vector<SlotRange> ranges;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(',', start);
        const std::string_view item = text.substr(start, end == std::string_view::npos ? end : end - start);
        const std::size_t dash = item.find('-');
        std::optional<int> first = ReferenceNumber(item.substr(0, dash));
        std::optional<int> last =
            dash == std::string_view::npos ? first : ReferenceNumber(item.substr(dash + 1));
        if (!first || !last || *first > *last)
            return std::nullopt;
        ranges.push_back({*first, *last});
        if (end == std::string_view::npos)
            return ranges;
        start = end + 1;
    }
}

void CheckSelection(std::string_view text)
{
    const auto parsed = ParseSelection(text);
    const auto reference = ReferenceSelection(text);
    Check(parsed.has_value() == reference.has_value(),
          "the parser must accept exactly the selections of the grammar");
    if (!parsed)
        return;
    Check(*parsed == *reference, "the parser must give the ranges of the grammar, in the order given");
    const std::string formatted = FormatSelection(*parsed);
    const auto again = ParseSelection(formatted);
    Check(again && *again == *parsed, "the text form of a selection must read back as the same ranges");
    Check(FormatSelection(*again) == formatted, "the text form must be stable");
    Check(formatted.size() <= text.size() + text.size() / 2 + 1,
          "the text form must not grow past a range's two numbers");
}

void CheckSplit(std::string_view argument)
{
    const SourceArgument split = SplitSourceArgument(argument);
    const auto colon = argument.rfind(':');
    const bool selected = colon != std::string_view::npos && ReferenceSelection(argument.substr(colon + 1));
    Check(split.selection.has_value() == selected,
          "a selection is split off exactly when the text after the last colon is one");
    if (!selected) {
        Check(split.path == argument, "without a selection the whole argument is the path");
        return;
    }
    Check(split.path == argument.substr(0, colon), "the path is everything before the last colon");
    Check(*split.selection == *ReferenceSelection(argument.substr(colon + 1)),
          "the selection after the colon");
}

}  // namespace
}  // namespace skerrow::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    skerrow::fuzz::CheckSelection(text);
    skerrow::fuzz::CheckSplit(text);
    return 0;
}
