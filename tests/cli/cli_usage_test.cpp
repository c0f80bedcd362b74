// The command line itself: help, version, and what a mistyped one gets.
#include "run_tool.h"

#include <gtest/gtest.h>

namespace skerrow::test {
namespace {

TEST(CliUsageTest, VersionIsTheProjectVersion)
{
    const ToolRun run = RunTool({"--version"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, std::string("skerrow-cli ") + SKERROW_EXPECTED_VERSION + "\n");
}

TEST(CliUsageTest, HelpForTheToolAndForEachCommandGoesToStandardOutput)
{
    const ToolRun tool = RunTool({"--help"});
    EXPECT_EQ(tool.exitCode, 0);
    EXPECT_EQ(tool.out.rfind("Usage: skerrow-cli COMMAND", 0), 0u) << tool.out;
    for (const std::string command : {"list", "info", "build", "find", "dupes"}) {
        EXPECT_NE(tool.out.find("\n  " + command + " "), std::string::npos) << command;
        for (const char* flag : {"--help", "-h"}) {
            const ToolRun run = RunTool({command, "x", flag});
            EXPECT_EQ(run.exitCode, 0) << command;
            EXPECT_EQ(run.out.rfind("Usage: skerrow-cli " + command + " ", 0), 0u) << run.out;
            EXPECT_NE(run.out.find("Exit status:"), std::string::npos) << command;
            EXPECT_EQ(run.err, "");
        }
    }
}

TEST(CliUsageTest, AMistakeGetsTheProblemAndTheUsageOnStandardErrorAndExitTwo)
{
    struct Case {
        std::vector<std::string> args;
        std::string problem;
    };
    const std::vector<Case> cases{
        {{}, "no command given"},
        {{"bogus"}, "unknown command 'bogus'"},
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"-x"}, "unknown option '-x'"},
        {{"-"}, "unknown command '-'"},
        {{"list"}, "list takes exactly one FILE"},
        {{"info", "a", "b"}, "info takes exactly one FILE"},
        {{"list", "--frob", "a.1bk"}, "unknown option '--frob'"},
        {{"build"}, "no OUTPUT given"},
        {{"build", "--sort", "out.1bk"}, "no SOURCE given"},
        {{"build", "-s", "out.1bk", "a.1bk"}, "unknown option '-s'"},
        {{"find"}, "no PATH given"},
        {{"find", "lib", "--name"}, "option '--name' needs a value"},
        {{"find", "--name", "a", "--name=b", "lib"}, "option '--name' given twice"},
        {{"dupes", "--name", "x", "lib"}, "unknown option '--name'"},
        {{"list", ""}, "empty argument"},
        {{"find", "lib", ""}, "empty argument"},
        {{"find", "--json", "-0", "lib"}, "--json and --null exclude each other"},
        {{"dupes"}, "no PATH given"},
    };
    for (const Case& c : cases) {
        const ToolRun run = RunTool(c.args);
        EXPECT_EQ(run.exitCode, 2) << c.problem;
        EXPECT_EQ(run.out, "") << c.problem;
        EXPECT_EQ(run.err.rfind("skerrow-cli: " + c.problem + "\nUsage: skerrow-cli ", 0), 0u) << run.err;
    }
}

}  // namespace
}  // namespace skerrow::test
