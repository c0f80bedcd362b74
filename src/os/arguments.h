#pragma once

#include <string>
#include <vector>

namespace skerrow::os {

// The program's arguments after its own name, as bytes: on Windows converted to UTF-8 from the
// command line the system keeps in UTF-16 (the argv of main there is in the ANSI code page, which
// cannot spell most names), elsewhere argv as it is.
std::vector<std::string> ProgramArguments(int argc, char** argv);

}  // namespace skerrow::os
