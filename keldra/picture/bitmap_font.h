// A tiny built-in 5x7 bitmap font for printable ASCII, enough for orientation letters,
// slice positions and captions without depending on a font library.
#pragma once

#include <string>

#include "keldra/picture/rgb_image.h"

namespace orvane::keldra::picture {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
// Horizontal distance from one character to the next, in font pixels.
constexpr int kGlyphAdvance = 6;

// Width and height in image pixels of `text` drawn at an integer `scale`.
int textWidth(const std::string& text, int scale);
int textHeight(int scale);

// Draws `text` with its top-left corner at (x, y). With a shadow, each lit pixel is first
// drawn one pixel down and right in black, which keeps light text legible on bright anatomy.
// Characters outside printable ASCII are drawn as '?'.
void drawText(RgbImage& image, int x, int y, const std::string& text, Rgb colour, int scale, bool shadow);

}  // namespace orvane::keldra::picture
