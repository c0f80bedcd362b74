#include "cli/arguments.h"

namespace skerrow {

Arguments ParseArguments(const std::vector<std::string>& args, const std::vector<OptionSpec>& options)
{
    Arguments result;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            result.operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            result.help = true;
            continue;
        }
        const auto equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const OptionSpec* spec = nullptr;
        for (const OptionSpec& option : options) {
            if (option.name == name)
                spec = &option;
        }
        if (!spec) {
            if (result.error.empty())
                result.error = "unknown option '" + arg + "'";
            continue;
        }
        if (!spec->takesValue) {
            if (equals != std::string::npos && result.error.empty())
                result.error = "option '" + name + "' takes no value";
            result.flags.insert(name);
        } else if (equals == std::string::npos && i + 1 == args.size()) {
            if (result.error.empty())
                result.error = "option '" + name + "' needs a value";
        } else {
            const std::string value = equals != std::string::npos ? arg.substr(equals + 1) : args[++i];
            // A second value would silently replace the first the user meant.
            if (!result.values.emplace(name, value).second && result.error.empty())
                result.error = "option '" + name + "' given twice";
        }
    }
    return result;
}

}  // namespace skerrow
