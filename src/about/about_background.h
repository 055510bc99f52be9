// The background picture of the About window, made by the program itself:
// 124 × 124 pixels, 8 bits per pixel, a palette of 256 colours.
#pragma once

#include <QImage>

namespace about {

// A dark heat map of the decaying temperature sin(pi x) exp(-t) of the
// problem the program studies (x across, t downwards), under a faint grid;
// made at `dpr` device pixels per picture pixel (124 × dpr pixels square).
QImage backgroundImage(qreal dpr = 1.0);

}  // namespace about
