#include "cli/arguments.h"
#include "cli/selection.h"
#include "core/ascii.h"

#include <gtest/gtest.h>

namespace skerrow {
namespace {

using Ranges = std::vector<SlotRange>;

// Test names show the text under test, with other than printable ASCII escaped.
std::string Escaped(std::string_view text)
{
    static constexpr char Hex[] = "0123456789abcdef";
    std::string shown = "'";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte > 0x20 && byte < 0x7f && c != '\\') {
            shown += c;
        } else {
            shown += "\\x";
            shown += Hex[byte >> 4];
            shown += Hex[byte & 15];
        }
    }
    return shown + "'";
}

struct SelectionCase {
    const char* text;
    std::optional<Ranges> expected;
};

void PrintTo(const SelectionCase& c, std::ostream* os)
{
    *os << Escaped(c.text);
}

class SelectionParseTest : public testing::TestWithParam<SelectionCase> {};

TEST_P(SelectionParseTest, ReadsSlotsAndAscendingRangesInTheOrderGiven)
{
    EXPECT_EQ(ParseSelection(GetParam().text), GetParam().expected)
        << "selection '" << GetParam().text << "'";
}

INSTANTIATE_TEST_SUITE_P(Valid, SelectionParseTest,
                         testing::Values(SelectionCase{"3", Ranges{{3, 3}}},
                                         SelectionCase{"3,9,5", Ranges{{3, 3}, {9, 9}, {5, 5}}},
                                         SelectionCase{"1-4,7", Ranges{{1, 4}, {7, 7}}},
                                         SelectionCase{"5-5", Ranges{{5, 5}}},
                                         SelectionCase{"2,2", Ranges{{2, 2}, {2, 2}}},
                                         SelectionCase{"007", Ranges{{7, 7}}},
                                         SelectionCase{"1-2147483647", Ranges{{1, 2147483647}}},
                                         SelectionCase{"129", Ranges{{129, 129}}}));

INSTANTIATE_TEST_SUITE_P(Invalid, SelectionParseTest,
                         testing::Values(SelectionCase{"", std::nullopt}, SelectionCase{"0", std::nullopt},
                                         SelectionCase{"0-3", std::nullopt},
                                         SelectionCase{"4-2", std::nullopt},
                                         SelectionCase{",1", std::nullopt}, SelectionCase{"1,", std::nullopt},
                                         SelectionCase{"1,,2", std::nullopt},
                                         SelectionCase{"-3", std::nullopt}, SelectionCase{"3-", std::nullopt},
                                         SelectionCase{"1-2-3", std::nullopt},
                                         SelectionCase{"+1", std::nullopt}, SelectionCase{" 1", std::nullopt},
                                         SelectionCase{"1 ", std::nullopt}, SelectionCase{"1a", std::nullopt},
                                         SelectionCase{"2147483648", std::nullopt},
                                         SelectionCase{"99999999999999999999", std::nullopt},
                                         SelectionCase{"\xff", std::nullopt}));

TEST(SelectionFormatTest, ReadsBackAsTheSameRanges)
{
    const Ranges ranges{{1, 4}, {7, 7}, {3, 3}, {10, 128}};
    EXPECT_EQ(FormatSelection(ranges), "1-4,7,3,10-128");
    EXPECT_EQ(ParseSelection(FormatSelection(ranges)), ranges);
}

struct SplitCase {
    const char* argument;
    const char* path;
    std::optional<Ranges> selection;
};

void PrintTo(const SplitCase& c, std::ostream* os)
{
    *os << Escaped(c.argument);
}

class SourceSplitTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SourceSplitTest, SplitsAtTheLastColonOnlyBeforeASelection)
{
    const SourceArgument split = SplitSourceArgument(GetParam().argument);
    EXPECT_EQ(split.path, GetParam().path);
    EXPECT_EQ(split.selection, GetParam().selection);
}

INSTANTIATE_TEST_SUITE_P(Arguments, SourceSplitTest,
                         testing::Values(SplitCase{"bank.1bk", "bank.1bk", std::nullopt},
                                         SplitCase{"bank.1bk:3,9,5", "bank.1bk",
                                                   Ranges{{3, 3}, {9, 9}, {5, 5}}},
                                         SplitCase{"a:b.1bk", "a:b.1bk", std::nullopt},
                                         SplitCase{"a:b.1bk:1-2", "a:b.1bk", Ranges{{1, 2}}},
                                         SplitCase{"x:1:2", "x:1", Ranges{{2, 2}}},
                                         SplitCase{"bank.1bk:", "bank.1bk:", std::nullopt},
                                         SplitCase{"bank.1bk:0", "bank.1bk:0", std::nullopt},
                                         SplitCase{"dir:1/bank.1bk", "dir:1/bank.1bk", std::nullopt},
                                         SplitCase{":4", "", Ranges{{4, 4}}}));

TEST(AsciiCaseTest, FoldsOnlyAsciiLetters)
{
    EXPECT_TRUE(ContainsIgnoringAsciiCase("Big BRASS ", "brass"));
    EXPECT_TRUE(ContainsIgnoringAsciiCase("Pad", ""));
    EXPECT_TRUE(ContainsIgnoringAsciiCase("", ""));
    EXPECT_FALSE(ContainsIgnoringAsciiCase("", "a"));
    EXPECT_FALSE(ContainsIgnoringAsciiCase("Br\xe4ss", "BR\xc4SS"));  // no Latin-1 folding
    EXPECT_TRUE(ContainsIgnoringAsciiCase("Br\xe4ss", "bR\xe4"));
    EXPECT_FALSE(ContainsIgnoringAsciiCase("Pad", "Pads"));
    EXPECT_FALSE(ContainsIgnoringAsciiCase("a[", "A{"));  // '[' and '{' are 0x20 apart but no letters
}

TEST(ArgumentsTest, TakesOptionsAnywhereUntilTheEndMarker)
{
    const std::vector<OptionSpec> options{{"--name", true}, {"--verbose", false}};
    const Arguments args =
        ParseArguments({"a", "--name", "x", "b", "--verbose", "--", "--name", "-"}, options);
    EXPECT_TRUE(args.error.empty());
    EXPECT_EQ(args.operands, (std::vector<std::string>{"a", "b", "--name", "-"}));
    EXPECT_EQ(args.values.at("--name"), "x");
    EXPECT_TRUE(args.Has("--verbose"));
    EXPECT_EQ(ParseArguments({"--name=a=b"}, options).values.at("--name"), "a=b");
    EXPECT_EQ(ParseArguments({"a", "--name", "last"}, options).values.at("--name"), "last");
}

TEST(ArgumentsTest, ReportsUnknownOptionsAndMissingValues)
{
    const std::vector<OptionSpec> options{{"--name", true}, {"--verbose", false}};
    EXPECT_EQ(ParseArguments({"--frob"}, options).error, "unknown option '--frob'");
    EXPECT_EQ(ParseArguments({"-v"}, options).error, "unknown option '-v'");
    EXPECT_EQ(ParseArguments({"--name"}, options).error, "option '--name' needs a value");
    EXPECT_EQ(ParseArguments({"--verbose=1"}, options).error, "option '--verbose' takes no value");
    EXPECT_TRUE(ParseArguments({"x", "-h"}, options).help);
}

}  // namespace
}  // namespace skerrow
