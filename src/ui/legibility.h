#pragma once

#include <QColor>
#include <QIcon>

class QPalette;

namespace skerrow {

// The least contrast at which text reads for most people, as the accessibility guidelines set it.
inline constexpr double MinimumContrast = 4.5;

// The contrast ratio of two colours as the accessibility guidelines define it: 1 (the same
// lightness) to 21 (black on white).
double ContrastRatio(const QColor& a, const QColor& b);

// colour itself where it reads on ground, otherwise colour taken as little towards black or white
// (whichever the ground leaves more room for) as it needs to read there.
QColor ReadableOn(const QColor& ground, const QColor& colour);

// The small logo for a button of palette: its word in its own colour where that reads on the
// button's face, and in one that does where not (a dark desktop).
QIcon ButtonLogo(const QPalette& palette);

}  // namespace skerrow
