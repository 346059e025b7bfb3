// Sampling a volume's values.
#include "keldra/picture/picture_volume.h"

#include <cmath>

namespace orvane::keldra::picture {

std::size_t sampleStride(std::size_t count, std::size_t largest) {
    return largest == 0 || count <= largest ? 1 : (count + largest - 1) / largest;
}

std::vector<float> sampledValues(const PictureVolume& volume, std::size_t largest) {
    const std::size_t count = volume.count();
    const std::size_t stride = sampleStride(count, largest);
    std::vector<float> sample;
    sample.reserve(count / stride + 1);
    for (std::size_t i = 0; i < count; i += stride) {
        const float v = volume.value(i);
        if (std::isfinite(v)) {
            sample.push_back(v);
        }
    }
    return sample;
}

}  // namespace orvane::keldra::picture
