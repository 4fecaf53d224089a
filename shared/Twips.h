#pragma once
// Window layouts are designed in twips (1/1440 inch), kTwipsPerPixel to a logical pixel. These
// conversions and the centring rule are the only ones the windows use. Header only and free of
// widgets, so that the logic that places windows through the platform seams uses it too.

#include <QPointF>
#include <QRect>
#include <QSizeF>

#include "platform/System.h"
#include "shared/Services.h"

namespace qvt {

// Twips in a logical pixel (96 dpi).
inline constexpr int kTwipsPerPixel = 15;

// A rectangle given in twips (left, top, width, height), in logical pixels (truncated).
inline QRect Twips(int left, int top, int width, int height) {
  return {left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
          height / kTwipsPerPixel};
}

// A length in twips as the nearest whole number of pixels (halves away from zero).
inline int Pixels(double twips) {
  return qRound(twips / kTwipsPerPixel);
}

// A length or size in pixels, in twips.
inline double TwipsOf(int pixels) {
  return static_cast<double>(pixels) * kTwipsPerPixel;
}
inline QSizeF TwipsOf(QSize pixels) {
  return {TwipsOf(pixels.width()), TwipsOf(pixels.height())};
}

// The primary screen's size in twips.
inline double ScreenWidthTwips(IScreen& screen) {
  return TwipsOf(screen.widthPixels());
}
inline double ScreenHeightTwips(IScreen& screen) {
  return TwipsOf(screen.heightPixels());
}

// The top left corner, in twips, that centres a window of this outer size on the screen.
inline QPointF centerOnScreen(IScreen& screen, QSizeF outerTwips) {
  return {(TwipsOf(screen.widthPixels()) - outerTwips.width()) / 2,
          (TwipsOf(screen.heightPixels()) - outerTwips.height()) / 2};
}

}  // namespace qvt
