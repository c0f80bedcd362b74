#pragma once

#include <QFont>

namespace skerrow {

// The program's face: "MS Sans Serif" where it exists, otherwise the system's sans-serif face
// at the same size and weight.
QFont SkerrowFont(double pointSize = 8.25, bool bold = true);

// The fixed-pitch face of the manual: "Courier New", otherwise the system's fixed-pitch face.
QFont SkerrowFixedFont(double pointSize = 9.75);

}  // namespace skerrow
