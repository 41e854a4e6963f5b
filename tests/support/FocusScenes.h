#pragma once
// Pictures for the focus aids, made in code: a textured scene of sharp-edged blocks and
// strokes, a Gaussian blur (the lens out of focus) and Gaussian noise (a high-ISO sensor).
#include <QImage>

namespace FocusScenes {

// A mid-grey field with text-like blocks and thin strokes at random places, every edge a
// one-pixel step. contrast scales every level's distance from mid-grey (1: 0 to 255).
// Format_BGR888, the same for the same seed.
QImage Scene(int width, int height, unsigned seed = 1, double contrast = 1.0);

// Plain mid-grey.
QImage Flat(int width, int height);

// Separable Gaussian blur of sigma pixels (edges repeated); sigma 0 returns a copy.
QImage Blurred(const QImage& picture, double sigma);

// The same Gaussian noise (rms in 8-bit levels) added to all three channels, clipped.
QImage Noisy(const QImage& picture, double rms, unsigned seed = 7);

// width x height taken from picture at (dx, dy).
QImage Shifted(const QImage& picture, int dx, int dy, int width, int height);

} // namespace FocusScenes
