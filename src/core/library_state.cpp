#include "core/library_state.h"

namespace skerrow {

std::string CountText(int count)
{
    return std::to_string(count) + (count == 1 ? " entry" : " entries");
}

}  // namespace skerrow
