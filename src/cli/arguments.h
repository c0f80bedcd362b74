#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace skerrow {

struct OptionSpec {
    std::string name;  // with its dashes, e.g. "--name"
    bool takesValue = false;
};

// A command's arguments after the command name: options anywhere ("--name TEXT" or
// "--name=TEXT"), operands in order. "--" ends the options; a lone "-" is an operand.
struct Arguments {
    std::vector<std::string> operands;
    std::set<std::string> flags;
    std::map<std::string, std::string> values;
    bool help = false;  // --help or -h was given
    std::string error;  // a usage problem, or empty

    bool Has(const std::string& flag) const { return flags.count(flag) != 0; }
};

Arguments ParseArguments(const std::vector<std::string>& args, const std::vector<OptionSpec>& options);

}  // namespace skerrow
