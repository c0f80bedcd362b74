#include "os/arguments.h"

namespace skerrow::os {

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    return {argv + (argc > 0 ? 1 : 0), argv + argc};
}

}  // namespace skerrow::os
