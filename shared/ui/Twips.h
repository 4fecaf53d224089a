#pragma once
// Window layouts are designed in twips (1/1440 inch); the screen has 15 twips per logical pixel
// (96 dpi).

#include <QRect>

namespace qvt {

// A rectangle given in twips (left, top, width, height), in logical pixels.
inline QRect Twips(int left, int top, int width, int height) {
  constexpr int kPerPixel = 15;
  return {left / kPerPixel, top / kPerPixel, width / kPerPixel, height / kPerPixel};
}

}  // namespace qvt
