// An 8-bit RGB raster, row by row from the top, three bytes per pixel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvane::keldra::picture {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;

    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb& o) const { return !(*this == o); }
};

class RgbImage {
public:
    RgbImage() = default;
    RgbImage(int width, int height, Rgb background = {});

    int width() const { return width_; }
    int height() const { return height_; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    Rgb pixel(int x, int y) const;
    // Pixels outside the image are ignored, so callers may draw across its border.
    void setPixel(int x, int y, Rgb colour);

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    std::vector<std::uint8_t>& bytes() { return bytes_; }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint8_t> bytes_;
};

}  // namespace orvane::keldra::picture
