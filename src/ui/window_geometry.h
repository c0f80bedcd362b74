#pragma once

#include <QRect>
#include <QSize>

class QDialog;
class QWidget;

namespace skerrow {

// Window layouts are drawn in twips, 15 to the pixel.
inline constexpr int TwipsPerPixel = 15;

constexpr int Twips(int twips)
{
    return twips / TwipsPerPixel;
}
constexpr QRect TwipRect(int left, int top, int width, int height)
{
    return QRect(Twips(left), Twips(top), Twips(width), Twips(height));
}
constexpr QSize TwipSize(int width, int height)
{
    return QSize(Twips(width), Twips(height));
}

// The top left corner of a frame of the given size centred in area.
constexpr QPoint CentredIn(const QRect& area, const QSize& frame)
{
    return area.center() - QPoint(frame.width() / 2, frame.height() / 2);
}

// Moves the window, frame included, to the centre of its screen's available area.
void CentreOnScreen(QWidget& window);

enum class Centring { Screen, OverParent };

// Centres the window each time it is shown: on the screen, or over its parent's window (on the
// screen when it has none or that window is hidden).
void CentreWhenShown(QWidget& window, Centring where);

// A title bar, a close box when closeBox is set, no minimize or maximize buttons, and a client
// area of exactly clientSize that the user cannot resize.
void UseFixedFrame(QDialog& window, QSize clientSize, bool closeBox = true);

}  // namespace skerrow
