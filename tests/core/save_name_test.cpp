#include "core/save_name.h"

#include <gtest/gtest.h>

namespace skerrow {
namespace {

struct SaveNameRow {
    const char* typed;
    const char* defaultExt;
    const char* path;
    bool differs;
};

void PrintTo(const SaveNameRow& row, std::ostream* os)
{
    *os << '"' << row.typed << "\" for " << row.defaultExt;
}

class SaveNameTest : public testing::TestWithParam<SaveNameRow> {};

TEST_P(SaveNameTest, AppendsAcceptsOrFlagsTheExtension)
{
    const SaveName name = SaveNameFor(GetParam().typed, GetParam().defaultExt);
    EXPECT_EQ(name.path, GetParam().path);
    EXPECT_EQ(name.extensionDiffers, GetParam().differs);
}

#ifdef _WIN32
constexpr SaveNameRow Backslash{"my.lib\\out", "1bk", "my.lib\\out.1bk", false};  // a separator
#else
constexpr SaveNameRow Backslash{"my.lib\\out", "1bk", "my.lib\\out", true};  // a byte of the name
#endif

INSTANTIATE_TEST_SUITE_P(Names, SaveNameTest,
                         testing::Values(SaveNameRow{"out", "1bk", "out.1bk", false},
                                         SaveNameRow{"/v/out.1bk", "1bk", "/v/out.1bk", false},
                                         SaveNameRow{"OUT.1BK", "1bk", "OUT.1BK", false},
                                         SaveNameRow{"out.1Vc", "1vc", "out.1Vc", false},
                                         SaveNameRow{"out.avc", "1bk", "out.avc", true},
                                         SaveNameRow{"out.1vc", "avc", "out.1vc", true},
                                         SaveNameRow{"out.1bk.txt", "1bk", "out.1bk.txt", true},
                                         SaveNameRow{"name.with.dots", "1bk", "name.with.dots", true},
                                         SaveNameRow{"out.", "avc", "out.", true},
                                         SaveNameRow{".hidden", "1vc", ".hidden", true},
                                         SaveNameRow{"dir/.hidden", "1vc", "dir/.hidden", true},
                                         SaveNameRow{".hidden.1vc", "1vc", ".hidden.1vc", false},
                                         SaveNameRow{"my.lib/out", "1bk", "my.lib/out.1bk", false}, Backslash,
                                         SaveNameRow{"lib/", "1bk", "lib/", false},
                                         SaveNameRow{"/v/bank.avc", "", "/v/bank.avc", false}));

}  // namespace
}  // namespace skerrow
