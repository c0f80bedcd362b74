// build, compared byte for byte with files made from the layout alone.
#include "run_tool.h"
#include "voice_file_builder.h"

#include <gtest/gtest.h>

#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace skerrow::test {
namespace {

struct Voice {
    std::string name;
    std::string block;
};

Voice From(std::uint8_t fileId, int slot, const std::string& name)
{
    return {name, BlockFor(fileId, slot)};
}

// The file the window writes for these voices, assembled from the layout: the preamble of the
// last opened file, the slot count, blank-padded names, the blocks, zero blocks up to the count.
std::string ExpectedFile(std::uint8_t lastOpenedId, int slots, const std::vector<Voice>& voices)
{
    std::string bytes(3072, '\0');
    bytes.replace(0, 50, PreambleFor(lastOpenedId));
    bytes[50] = static_cast<char>(slots);
    for (std::size_t k = 0; k < voices.size(); ++k) {
        std::string name = voices[k].name;
        name.resize(10, ' ');
        bytes.replace(1024 + 16 * k, 10, name);
    }
    for (const Voice& voice : voices)
        bytes += voice.block;
    bytes.resize(3072u * static_cast<std::size_t>(slots + 1), '\0');
    return bytes;
}

void WriteSource(const TempDir& dir, const std::string& name, int slots, std::vector<std::string> names,
                 std::uint8_t fileId)
{
    VoiceFileSpec spec;
    spec.slotCount = slots;
    spec.names = std::move(names);
    spec.fileId = fileId;
    WriteBytes(dir.file(name), BuildVoiceFile(spec));
}

// Every regular file of a folder with its bytes, to show that a failed build touched nothing.
std::map<std::string, std::string> Snapshot(const TempDir& dir)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path())) {
        const std::string name = entry.path().lexically_relative(dir.path()).string();
        files[name] = entry.is_regular_file() ? ReadBytes(entry.path()) : std::string("<folder>");
    }
    return files;
}

class CliBuildTest : public testing::Test {
protected:
    void SetUp() override
    {
        WriteSource(dir, "a.1bk", 16, NumberedNames(6, "A"), 1);
        WriteSource(dir, "b.avc", 128, NumberedNames(20, "B"), 2);
        WriteSource(dir, "c.1vc", 1, {"Solo"}, 3);
    }

    ToolRun Build(const std::vector<std::string>& args)
    {
        std::vector<std::string> all{"build"};
        all.insert(all.end(), args.begin(), args.end());
        return RunTool(all, dir.path().string());
    }

    std::vector<Voice> BVoices(int first, int last)
    {
        std::vector<Voice> voices;
        for (int slot = first; slot <= last; ++slot) {
            // Appending rather than "B" + to_string keeps GCC 12's -Wrestrict false alarm quiet.
            std::string name = "B";
            name += std::to_string(slot - 1);
            voices.push_back(From(2, slot, name));
        }
        return voices;
    }

    TempDir dir;
};

TEST_F(CliBuildTest, CopiesSelectionsInTheOrderGivenFromSeveralSources)
{
    const ToolRun run = Build({"out.avc", "a.1bk:3,1-2", "b.avc", "c.1vc"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "Wrote out.avc: all voices (.avc), 24 voices\n");
    EXPECT_EQ(run.err, "");

    std::vector<Voice> voices{From(1, 3, "A2"), From(1, 1, "A0"), From(1, 2, "A1")};
    for (const Voice& voice : BVoices(1, 20))
        voices.push_back(voice);
    voices.push_back(From(3, 1, "Solo"));
    EXPECT_EQ(ReadBytes(dir.file("out.avc")), ExpectedFile(3, 128, voices));
}

TEST_F(CliBuildTest, TheCountChoosesTheFormatAndANameWithoutExtensionGetsIt)
{
    struct Case {
        std::string source;
        std::string written;
        int slots;
        std::string report;
        std::vector<Voice> voices;
        std::uint8_t lastOpened;
    };
    const std::vector<Case> cases{
        {"a.1bk:5", "one.1vc", 1, "single voice (.1vc), 1 voice", {From(1, 5, "A4")}, 1},
        {"b.avc:1-2", "two.1bk", 16, "bank (.1bk), 2 voices", BVoices(1, 2), 2},
        {"b.avc:1-16", "sixteen.1bk", 16, "bank (.1bk), 16 voices", BVoices(1, 16), 2},
        {"b.avc:1-17", "seventeen.avc", 128, "all voices (.avc), 17 voices", BVoices(1, 17), 2},
    };
    for (const Case& c : cases) {
        const std::string stem = c.written.substr(0, c.written.find('.'));
        const ToolRun run = Build({stem, c.source});
        ASSERT_EQ(run.exitCode, 0) << c.source << ": " << run.err;
        EXPECT_EQ(run.out, "Wrote " + c.written + ": " + c.report + "\n");
        EXPECT_EQ(ReadBytes(dir.file(c.written)), ExpectedFile(c.lastOpened, c.slots, c.voices)) << c.source;
        EXPECT_FALSE(std::filesystem::exists(dir.file(stem)));
    }
}

TEST_F(CliBuildTest, SortsByNameBytesKeepingEqualNamesInOrder)
{
    WriteSource(dir, "s1.1bk", 16, {"beta", "alpha", "Zeta", " sp", "9nine", "Same"}, 4);
    WriteSource(dir, "s2.1bk", 16, {"Same", "Alpha"}, 5);

    // The option may also follow the operands.
    const ToolRun run = Build({"sorted.1bk", "s1.1bk", "s2.1bk", "--sort"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<Voice> voices{From(4, 4, " sp"),   From(4, 5, "9nine"), From(5, 2, "Alpha"),
                                    From(4, 6, "Same"),  From(5, 1, "Same"),  From(4, 3, "Zeta"),
                                    From(4, 2, "alpha"), From(4, 1, "beta")};
    EXPECT_EQ(ReadBytes(dir.file("sorted.1bk")), ExpectedFile(5, 16, voices));

    ASSERT_EQ(Build({"unsorted.1bk", "s2.1bk", "s1.1bk:1"}).exitCode, 0);
    EXPECT_EQ(ReadBytes(dir.file("unsorted.1bk")),
              ExpectedFile(4, 16, {From(5, 1, "Same"), From(5, 2, "Alpha"), From(4, 1, "beta")}));
}

TEST_F(CliBuildTest, ReplacesAnExistingFileAndMayWriteOverItsOwnSource)
{
    WriteBytes(dir.file("old.1bk"), std::string(100000, 'x'));
    ASSERT_EQ(Build({"old.1bk", "a.1bk:1-2"}).exitCode, 0);
    EXPECT_EQ(ReadBytes(dir.file("old.1bk")), ExpectedFile(1, 16, {From(1, 1, "A0"), From(1, 2, "A1")}));

    const ToolRun run = Build({"a.1bk", "a.1bk:2,1"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadBytes(dir.file("a.1bk")), ExpectedFile(1, 16, {From(1, 2, "A1"), From(1, 1, "A0")}));
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"a.1bk", "b.avc", "c.1vc", "old.1bk"}));
}

TEST_F(CliBuildTest, ASelectionIsSplitOffOnlyAfterTheLastColon)
{
    WriteSource(dir, "take:2", 16, {"T1", "T2", "T3"}, 6);
    WriteSource(dir, "x:y.1bk", 16, {"X1", "X2"}, 7);

    const ToolRun run = Build({"out.1bk", "take:2:3,1", "x:y.1bk"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadBytes(dir.file("out.1bk")),
              ExpectedFile(7, 16, {From(6, 3, "T3"), From(6, 1, "T1"), From(7, 1, "X1"), From(7, 2, "X2")}));
}

TEST_F(CliBuildTest, ShowsTheWritingProgressOnlyOnATerminal)
{
    const ToolRun terminal = RunTool({"build", "out.1bk", "a.1bk:1-2"}, dir.path().string(), true);
    EXPECT_EQ(terminal.exitCode, 0);
    const std::string label = "Writing patch A1" + std::string(8, ' ') + " ...";
    EXPECT_NE(terminal.err.find(label), std::string::npos) << terminal.err;
    EXPECT_EQ(terminal.out, "Wrote out.1bk: bank (.1bk), 2 voices\n");
    // The count goes on through the empty slots to the last one, and sorting shows its steps.
    EXPECT_NE(terminal.err.find(" 16/16\x1b[K"), std::string::npos) << terminal.err;
    // The line is wiped when the writing ends, not left behind on the terminal.
    EXPECT_TRUE(terminal.err.ends_with(" 16/16\x1b[K\r\x1b[K")) << terminal.err;
    const ToolRun sorted = RunTool({"build", "--sort", "out4.1bk", "a.1bk:1-3"}, dir.path().string(), true);
    EXPECT_NE(sorted.err.find("Sorting ... 1/3"), std::string::npos) << sorted.err;

    const ToolRun piped = Build({"out2.1bk", "--sort", "a.1bk:1-2"});
    EXPECT_EQ(piped.exitCode, 0);
    EXPECT_EQ(piped.err, "");

    // A name that holds a terminal command is shown, not obeyed.
    WriteSource(dir, "odd.1vc", 1, {"X\x1b[2J"}, 4);
    const ToolRun crafted = RunTool({"build", "out3.1vc", "odd.1vc"}, dir.path().string(), true);
    EXPECT_EQ(crafted.exitCode, 0);
    EXPECT_NE(crafted.err.find("Writing patch X\\x1b[2J"), std::string::npos) << crafted.err;
    EXPECT_EQ(crafted.err.find("X\x1b[2J"), std::string::npos) << crafted.err;
}

TEST_F(CliBuildTest, EveryTextThatCarriesAUsersBytesIsEscapedOnATerminal)
{
    // A file name that would retitle the terminal, were it printed as it is.
    const std::string odd = "odd\x1b]0;T\a";
    WriteSource(dir, odd + ".1bk", 16, {"V1", "V2"}, 5);
    WriteSource(dir, "empty.1bk", 16, {}, 9);
    const std::vector<std::vector<std::string>> runs{
        {"build", "out.1bk", odd + ".1bk:9"},       // Slot 9 is not a listed voice of ...
        {"build", "out.1bk", odd + ".1bk:0"},       // invalid selection
        {"build", odd + "new", odd + ".1bk:1-2"},   // Wrote ...
        {"build", odd + ".avc", odd + ".1bk:1-2"},  // another extension
        {"build", "out.1bk", "empty.1bk", odd},     // no such source
        {"--" + odd},                               // unknown option
        {odd},                                      // unknown command
        {"find", "-0", "."},                        // records on a terminal
    };
    for (const auto& args : runs) {
        ToolOptions options;
        options.workDir = dir.path().string();
        options.outTerminal = true;
        options.errTerminal = true;
        const ToolRun run = RunTool(args, options);
        EXPECT_EQ(run.out.find(odd), std::string::npos) << run.out.find("odd");
        EXPECT_NE(run.out.find("odd\\x1b]0;T\\a"), std::string::npos) << run.out.find("odd");
        // The refusal of another extension is two lines, not one with its line feed escaped.
        EXPECT_EQ(run.out.find("\\n"), std::string::npos) << run.out;
    }
}

TEST_F(CliBuildTest, ALostSuccessLineStillTellsThatOutputWasReplaced)
{
    ToolOptions options;
    options.workDir = dir.path().string();
    options.outFile = "/dev/full";
    const ToolRun run = RunTool({"build", "out.1bk", "a.1bk:1-2"}, options);
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_EQ(run.err, "Write error: standard output (No space left on device)\n");
    EXPECT_EQ(ReadBytes(dir.file("out.1bk")).size(), 17u * 3072u);

    // A reader that has gone (build ... | true) is the same failure, not a death by signal.
    options.outFile.clear();
    options.prepare = [] {
        int ends[2];
        return ::pipe(ends) == 0 && ::close(ends[0]) == 0 && ::dup2(ends[1], 1) == 1;
    };
    const ToolRun piped = RunTool({"build", "out2.1bk", "a.1bk:1-2"}, options);
    EXPECT_EQ(piped.exitCode, 4);
    EXPECT_EQ(piped.err, "Write error: standard output (Broken pipe)\n");
}

struct BuildFailure {
    const char* what;
    std::vector<std::string> args;
    int exitCode;
    std::string message;
};

std::string BuildUsage(const std::string& problem)
{
    return "skerrow-cli: " + problem + "\nUsage: skerrow-cli build [--sort] OUTPUT SOURCE[:SELECTION]...\n" +
           "Try 'skerrow-cli build --help' for more.\n";
}

TEST_F(CliBuildTest, EveryFailureTellsWhyAndTouchesNothing)
{
    WriteSource(dir, "full.avc", 128, NumberedNames(128, "F"), 8);
    WriteSource(dir, "empty.1bk", 16, {}, 9);
    WriteSource(dir, "empty.1bk:none", 16, {}, 9);
    VoiceFileSpec headOnly;
    headOnly.names = {"H1", "H2"};
    headOnly.blocks = 1;
    WriteBytes(dir.file("head.1bk"), BuildVoiceFile(headOnly));
    VoiceFileSpec truncated;
    truncated.truncateTo = 100;
    WriteBytes(dir.file("trunc.1bk"), BuildVoiceFile(truncated));
    for (const char* name : {"out.1bk", "out.avc", "out.1BK", "out.1vc"})
        WriteBytes(dir.file(name), std::string("the old ") + name);
    std::filesystem::create_directory(dir.file("folder.1bk"));
    ASSERT_EQ(::mkfifo(dir.file("pipe.1bk").c_str(), 0600), 0);

    const auto stop = [](const std::string& output, const std::string& wanted) {
        return output +
               ": It is considered bad form to save a VL file\n"
               "with an extension other than the recommended! (expected ." +
               wanted + ")\n";
    };
    const std::vector<BuildFailure> failures{
        {"extension of another format", {"out.avc", "a.1bk:1-5"}, 2, stop("out.avc", "1bk")},
        {"extension in another case", {"out.1BK", "a.1bk:1"}, 2, stop("out.1BK", "1vc")},
        {"foreign extension", {"out.txt", "a.1bk:1-2"}, 2, stop("out.txt", "1bk")},
        {"more than 128 voices",
         {"out.avc", "full.avc", "a.1bk:1"},
         2,
         "Destination list is full (at most 128 voices)\n"},
        {"no voice", {"out.1bk", "empty.1bk"}, 2, "Nothing to save! (no voice listed in empty.1bk)\n"},
        // A name that exists whole is no file with a selection, and the output has no selection.
        {"colon in a source's name",
         {"out.1bk", "empty.1bk:none", "empty.1bk"},
         2,
         "Nothing to save! (no voice listed in empty.1bk:none, empty.1bk)\n"},
        {"colon in the output's name",
         {"empty.1bk:none.1bk", "empty.1bk"},
         2,
         "Nothing to save! (no voice listed in empty.1bk)\n"},
        {"slot not listed", {"out.1bk", "a.1bk:2,7"}, 2, "Slot 7 is not a listed voice of a.1bk.\n"},
        {"range past the list",
         {"out.1bk", "a.1bk:5-2000000000"},
         2,
         "Slot 7 is not a listed voice of a.1bk.\n"},
        {"missing source",
         {"out.1bk", "a.1bk", "nope.1bk"},
         1,
         "nope.1bk not found. (No such file or directory)\n"},
        {"invalid selection", {"out.1bk", "a.1bk:0"}, 2, BuildUsage("invalid selection '0' for a.1bk")},
        {"descending range", {"out.1bk", "a.1bk:5-3"}, 2, BuildUsage("invalid selection '5-3' for a.1bk")},
        {"empty item", {"out.1bk", "a.1bk:1,,2"}, 2, BuildUsage("invalid selection '1,,2' for a.1bk")},
        {"blank", {"out.1bk", "a.1bk: 1"}, 2, BuildUsage("invalid selection ' 1' for a.1bk")},
        {"beyond int",
         {"out.1bk", "a.1bk:2147483648"},
         2,
         BuildUsage("invalid selection '2147483648' for a.1bk")},
        {"no file before the colon",
         {"out.1bk", "nope.1bk:0"},
         1,
         "nope.1bk:0 not found. (No such file or directory)\n"},
        {"empty source", {"out.1bk", "a.1bk", ""}, 2, BuildUsage("empty argument")},
        {"empty output", {"", "a.1bk"}, 2, BuildUsage("empty argument")},
        {"truncated source",
         {"out.1bk", "a.1bk:1", "trunc.1bk"},
         1,
         "trunc.1bk: Bad or truncated VL file.\n"},
        {"missing block", {"out.1bk", "a.1bk:1", "head.1bk:1-2"}, 1, "Read error: head.1bk\n"},
        {"missing folder",
         {"nodir/out.1bk", "a.1bk:1-2"},
         1,
         "Creation error: nodir/out.1bk (No such file or directory)\n"},
        {"output is a folder",
         {"folder.1bk", "a.1bk:1-2"},
         1,
         "Creation error: folder.1bk (Is a directory)\n"},
        {"output is a pipe", {"pipe.1bk", "a.1bk:1-2"}, 1, "Creation error: pipe.1bk (not a regular file)\n"},
        {"source is a pipe", {"out.1bk", "pipe.1bk"}, 1, "pipe.1bk not found. (not a regular file)\n"},
    };
    for (const BuildFailure& failure : failures) {
        SCOPED_TRACE(failure.what);
        const auto before = Snapshot(dir);
        const ToolRun run = Build(failure.args);
        EXPECT_EQ(run.exitCode, failure.exitCode);
        EXPECT_EQ(run.err, failure.message);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(Snapshot(dir), before);
    }
}

}  // namespace
}  // namespace skerrow::test
