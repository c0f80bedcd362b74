#include "fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace skerrow {

QFont SkerrowFont(double pointSize, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("sans-serif")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    return font;
}

QFont SkerrowFixedFont(double pointSize)
{
    // Where "Courier New" is missing, the face the desktop itself uses for fixed-pitch text: the
    // generic "monospace" alone can resolve to a face whose advances are equal but that says it is
    // not fixed, and Qt then passes it over for whatever happens to claim it.
    QFont font;
    font.setFamilies({QStringLiteral("Courier New"),
                      QFontDatabase::systemFont(QFontDatabase::FixedFont).family(),
                      QStringLiteral("monospace")});
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPointSizeF(pointSize);
    font.setWeight(QFont::Normal);
    return font;
}

}  // namespace skerrow
