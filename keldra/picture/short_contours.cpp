// Connected groups of edge pixels, by flood fill.
#include "keldra/picture/short_contours.h"

#include <cstring>

namespace orvane::keldra::picture {

void dropShortContours(std::vector<std::uint8_t>& edges, int width, int height, int shortestPixels) {
    // While the groups are searched: 0 no edge, 1 an edge not yet visited, 2 visited. Edges are
    // few, so the search jumps from one unvisited edge to the next, and the pixels of the groups
    // kept are remembered to be set back to 1 at the end.
    std::vector<std::size_t> kept;
    std::vector<std::size_t> group;
    std::vector<std::size_t> pending;
    std::uint8_t* const first = edges.data();
    std::uint8_t* const end = first + edges.size();
    for (std::uint8_t* found = first; found < end;) {
        found = static_cast<std::uint8_t*>(std::memchr(found, 1, static_cast<std::size_t>(end - found)));
        if (found == nullptr) {
            break;
        }
        const std::size_t start = static_cast<std::size_t>(found - first);
        group.clear();
        pending.assign(1, start);
        edges[start] = 2;
        while (!pending.empty()) {
            const std::size_t here = pending.back();
            pending.pop_back();
            group.push_back(here);
            const int x = static_cast<int>(here % static_cast<std::size_t>(width));
            const int y = static_cast<int>(here / static_cast<std::size_t>(width));
            for (int ny = y - 1; ny <= y + 1; ++ny) {
                for (int nx = x - 1; nx <= x + 1; ++nx) {
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
        const bool keep = static_cast<int>(group.size()) >= shortestPixels;
        for (std::size_t i : group) {
            edges[i] = 0;
        }
        if (keep) {
            kept.insert(kept.end(), group.begin(), group.end());
        }
        ++found;
    }
    for (std::size_t i : kept) {
        edges[i] = 1;
    }
}

}  // namespace orvane::keldra::picture
