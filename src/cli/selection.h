#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skerrow {

// An ascending run of 1-based slot numbers, first and last included.
struct SlotRange {
    int first = 1;
    int last = 1;

    friend bool operator==(const SlotRange&, const SlotRange&) = default;
};

// Parses a selection such as "3,9,5" or "1-4,7": comma-separated slot numbers (decimal digits,
// at least 1) and ascending ranges a-b, in the order given. Returns nothing when the text is not
// a selection (empty items, signs, blanks, descending ranges, numbers beyond int). Ranges stay
// unexpanded, so a huge range costs nothing here.
std::optional<std::vector<SlotRange>> ParseSelection(std::string_view text);

// The text form of a selection, e.g. "1-4,7"; ParseSelection reads it back.
std::string FormatSelection(const std::vector<SlotRange>& ranges);

// A SOURCE argument of build: the file and, when one was given, its selection.
struct SourceArgument {
    std::string path;
    std::optional<std::vector<SlotRange>> selection;
};

// Splits at the last ':' only when the text after it is a selection; otherwise the whole
// argument is the path (so "a:b.1bk" names a file, and "x.1bk:" too).
SourceArgument SplitSourceArgument(std::string_view argument);

// "invalid selection 'SEL' for FILE" when the argument names no file, but the text before its
// last ':' names a file and the text after is no selection; otherwise nothing.
std::optional<std::string> InvalidSelection(const std::string& argument);

}  // namespace skerrow
