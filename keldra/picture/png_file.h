// Writing and reading RGB pictures as PNG files through libpng.
#pragma once

#include <optional>
#include <string>

#include "keldra/picture/rgb_image.h"

namespace orvane::keldra::picture {

// Whether this build reads and writes PNG files (false in a build without libpng).
bool pngFilesSupported();

// Writes the image to a temporary file beside `path` and renames it into place, so a reader
// never sees half a picture. Returns false and says why in `error` when it cannot. A picture of
// greys and at most 64 other colours is written with a palette; when its greys and colours do
// not all fit into the palette's 256 entries, greys share the entries left, which moves a grey
// by less than one step of 255 and leaves every other colour exact.
bool writePng(const RgbImage& image, const std::string& path, std::string& error);

// Reads any PNG as 8-bit RGB (palette, grey and alpha are converted); nothing on failure, with
// the reason in `error`.
std::optional<RgbImage> readPng(const std::string& path, std::string& error);

}  // namespace orvane::keldra::picture
