// Lines by even steps along the longer axis.
#include "keldra/picture/line_drawing.h"

#include <algorithm>
#include <cmath>

namespace orvane::keldra::picture {

void drawLine(RgbImage& image, double x0, double y0, double x1, double y1, Rgb colour, bool dashed) {
    const double span = std::max(std::fabs(x1 - x0), std::fabs(y1 - y0));
    // Far beyond any picture: nothing of it would show, and the steps would not end.
    if (!std::isfinite(span) || span > 1e6) {
        return;
    }
    const int steps = static_cast<int>(std::ceil(span));
    for (int s = 0; s <= steps; ++s) {
        if (dashed && (s / 4) % 2 == 1) {
            continue;
        }
        const double t = steps > 0 ? static_cast<double>(s) / steps : 0.0;
        image.setPixel(static_cast<int>(std::lround(x0 + t * (x1 - x0))), static_cast<int>(std::lround(y0 + t * (y1 - y0))),
                       colour);
    }
}

}  // namespace orvane::keldra::picture
