// Connected groups of edge pixels, by flood fill.
#include "keldra/picture/short_contours.h"

namespace orvane::keldra::picture {

void dropShortContours(std::vector<std::uint8_t>& edges, int width, int height, int shortestPixels) {
    // 0 no edge, 1 an edge not yet visited, 2 visited.
    for (std::uint8_t& e : edges) {
        e = e != 0 ? 1 : 0;
    }
    std::vector<std::size_t> group;
    std::vector<std::size_t> pending;
    for (std::size_t start = 0; start < edges.size(); ++start) {
        if (edges[start] != 1) {
            continue;
        }
        group.clear();
        pending.assign(1, start);
        edges[start] = 2;
        while (!pending.empty()) {
            const std::size_t here = pending.back();
            pending.pop_back();
            group.push_back(here);
            const int x = static_cast<int>(here % static_cast<std::size_t>(width));
            const int y = static_cast<int>(here / static_cast<std::size_t>(width));
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = x + dx;
                    const int ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= width || ny >= height) {
                        continue;
                    }
                    const std::size_t there = static_cast<std::size_t>(ny) * static_cast<std::size_t>(width) +
                                              static_cast<std::size_t>(nx);
                    if (edges[there] == 1) {
                        edges[there] = 2;
                        pending.push_back(there);
                    }
                }
            }
        }
        if (static_cast<int>(group.size()) < shortestPixels) {
            for (std::size_t i : group) {
                edges[i] = 0;
            }
        }
    }
    for (std::uint8_t& e : edges) {
        e = e != 0 ? 1 : 0;
    }
}

}  // namespace orvane::keldra::picture
