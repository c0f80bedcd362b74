#include "editing/sort_entries.h"

#include "dest_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

namespace skerrow {
namespace {

using test::AddDest;
using test::DestIsParallel;
using test::EntryFor;
using test::FillDest;
using test::TestLibrarian;

struct SortCase {
    const char* label;
    std::vector<std::string> before;
    std::vector<int> selectedBefore;
    std::vector<std::string> after;
    std::vector<int> selectedAfter;
};

void PrintTo(const SortCase& c, std::ostream* os)
{
    *os << c.label;
}

class SortEntriesTest : public ::testing::TestWithParam<SortCase> {};

TEST_P(SortEntriesTest, SortsByByteValueAndUnselectsWhatMoved)
{
    const SortCase& c = GetParam();
    TestLibrarian t;
    FillDest(t, c.before, c.selectedBefore);
    t.state.ListSaved = FlagTrue;

    SortDestination(t.lib);

    EXPECT_EQ(t.DestNames(), c.after);
    EXPECT_EQ(t.DestSelection(), c.selectedAfter);
    EXPECT_TRUE(DestIsParallel(t));
    EXPECT_EQ(t.state.ListSaved, FlagFalse) << "a sort marks the list unsaved even when nothing moved";
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, SortEntriesTest, ::testing::Values(
    SortCase{"OneEntry", {"Solo"}, {0}, {"Solo"}, {0}},
    SortCase{"AlreadySortedKeepsEverySelection", {"A", "B", "C", "D"}, {1, 3}, {"A", "B", "C", "D"}, {1, 3}},
    SortCase{"CapitalsBeforeSmallLetters", {"beta", "Alpha", "alpha"}, {}, {"Alpha", "alpha", "beta"}, {}},
    SortCase{"ZetaBeforeAlpha", {"alpha", "Zeta"}, {}, {"Zeta", "alpha"}, {}},
    SortCase{"SpaceAndDigitsBeforeLetters", {"Zed", "alpha", "9Lives", " Pad", "0Bass"}, {},
             {" Pad", "0Bass", "9Lives", "Zed", "alpha"}, {}},
    SortCase{"HighBytesAfterAscii", {"\xE9t\xE9", "\x80", "~tilde", "zz", "\xFF"}, {},
             {"zz", "~tilde", "\x80", "\xE9t\xE9", "\xFF"}, {}},
    SortCase{"PrefixFirst", {"Bass 2", "Bass", "Bas", "Bass 10"}, {}, {"Bas", "Bass", "Bass 10", "Bass 2"}, {}},
    SortCase{"TrailingBlanksCount", {"Pad  ", "Pad", "Pad "}, {}, {"Pad", "Pad ", "Pad  "}, {}},
    SortCase{"MovedSelectionIsDropped", {"C", "A", "B"}, {1}, {"A", "B", "C"}, {}},
    SortCase{"UntouchedSelectionStays", {"A", "C", "B"}, {0}, {"A", "B", "C"}, {0}},
    SortCase{"SelectedEntryThatSankIsDropped", {"A", "B", "D", "C"}, {0, 2}, {"A", "B", "C", "D"}, {0}}),
    [](const ::testing::TestParamInfo<SortCase>& info) { return std::string(info.param.label); });
// clang-format on

TEST(NameGreaterTest, IsStrictAndComparesBytesUnsigned)
{
    EXPECT_FALSE(NameGreater("Pad", "Pad"));
    EXPECT_FALSE(NameGreater("", ""));
    EXPECT_TRUE(NameGreater("a", ""));
    EXPECT_FALSE(NameGreater("", "a"));
    EXPECT_TRUE(NameGreater("\x80", "\x7F"));
    EXPECT_FALSE(NameGreater("\x7F", "\x80"));
    EXPECT_TRUE(NameGreater(std::string_view("a\0b", 3), std::string_view("a\0a", 3)));
}

TEST(SortDestinationTest, EmptyListShowsNothingAndKeepsSavedFlag)
{
    TestLibrarian t;
    t.state.ListSaved = FlagTrue;

    SortDestination(t.lib);

    EXPECT_TRUE(t.platform.calls.empty());
    EXPECT_EQ(t.state.ListSaved, FlagTrue);
}

TEST(SortDestinationTest, ReportsProgressOncePerOuterStepAndClosesAtTheEnd)
{
    TestLibrarian t;
    FillDest(t, {"D", "C", "B", "A"});

    SortDestination(t.lib);

    const std::vector<std::string> expected{
        "SetValue(Sort,0)",
        "SetMaximum(Sort,4)",
        "Show(Sort)",
        "SetValue(Sort,0)",
        "Yield",
        "SetValue(Sort,1)",
        "Yield",
        "SetValue(Sort,2)",
        "Yield",
        "Close(Sort)",
    };
    EXPECT_EQ(t.platform.Described(), expected);
}

TEST(SortDestinationTest, OneEntryOpensAndClosesTheWindowWithoutAStep)
{
    TestLibrarian t;
    FillDest(t, {"Solo"});

    SortDestination(t.lib);

    EXPECT_EQ(t.platform.Described(), (std::vector<std::string>{"SetValue(Sort,0)", "SetMaximum(Sort,1)",
                                                                "Show(Sort)", "Close(Sort)"}));
}

TEST(SortDestinationTest, EqualNamesKeepTheirOrderAndTheirOwnEntries)
{
    TestLibrarian t;
    AddDest(t, "Pad", false, 1);
    AddDest(t, "Brass", false, 1);
    AddDest(t, "Pad", false, 2);
    AddDest(t, "Brass", false, 3);
    AddDest(t, "Pad", false, 3);

    SortDestination(t.lib);

    ASSERT_EQ(t.DestNames(), (std::vector<std::string>{"Brass", "Brass", "Pad", "Pad", "Pad"}));
    const std::vector<DestEntry> expected{EntryFor("Brass", 1), EntryFor("Brass", 3), EntryFor("Pad", 1),
                                          EntryFor("Pad", 2), EntryFor("Pad", 3)};
    for (size_t k = 0; k < expected.size(); ++k)
        EXPECT_EQ(t.state.DestEntries[k], expected[k]) << "entry " << k;
}

TEST(SortDestinationTest, FullDescendingListTakesEveryExchangeAndEndsUnselected)
{
    TestLibrarian t;
    test::CountingListView counting(t.List2);
    Librarian lib{t.state, t.List1, counting, t.Text1, t.Text2, t.caption, t.platform};

    std::vector<std::string> names;
    for (int k = MaxDestEntries - 1; k >= 0; --k) {
        char name[16];
        std::snprintf(name, sizeof name, "V%03d", k);
        names.emplace_back(name);
    }
    std::vector<int> everything(names.size());
    for (size_t k = 0; k < everything.size(); ++k)
        everything[k] = static_cast<int>(k);
    FillDest(t, names, everything);

    // The window repaints the list at every yield, so it must be whole there too.
    int brokenYields = 0;
    t.platform.onYield = [&] { brokenYields += DestIsParallel(t) ? 0 : 1; };

    SortDestination(lib);

    std::vector<std::string> ascending = names;
    std::reverse(ascending.begin(), ascending.end());
    EXPECT_EQ(t.DestNames(), ascending);
    EXPECT_EQ(counting.textsWritten, 2 * (128 * 127 / 2)) << "two texts per exchange";
    EXPECT_TRUE(t.DestSelection().empty());
    EXPECT_TRUE(DestIsParallel(t));
    EXPECT_EQ(brokenYields, 0);
    EXPECT_EQ(t.platform.DescribedProgress().size(), 3u + 2u * 127u + 1u);
}

}  // namespace
}  // namespace skerrow
