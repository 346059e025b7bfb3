// An 8-bit RGB raster.
#include "keldra/picture/rgb_image.h"

namespace orvane::keldra::picture {

RgbImage::RgbImage(int width, int height, Rgb background)
    : width_(width > 0 ? width : 0), height_(height > 0 ? height : 0),
      bytes_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) * 3) {
    if (background == Rgb{}) {
        return;  // the bytes start at zero
    }
    for (std::size_t i = 0; i < bytes_.size(); i += 3) {
        bytes_[i] = background.r;
        bytes_[i + 1] = background.g;
        bytes_[i + 2] = background.b;
    }
}

Rgb RgbImage::pixel(int x, int y) const {
    const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)) * 3;
    return {bytes_[i], bytes_[i + 1], bytes_[i + 2]};
}

void RgbImage::setPixel(int x, int y, Rgb colour) {
    if (!contains(x, y)) {
        return;
    }
    const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)) * 3;
    bytes_[i] = colour.r;
    bytes_[i + 1] = colour.g;
    bytes_[i + 2] = colour.b;
}

}  // namespace orvane::keldra::picture
