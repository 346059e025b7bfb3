// Random grids, mapping matrices and intensities that lean on the places where a faster
// projection could part from the per-voxel walk: exact .5 ties, points on and just off the
// edges of the source grid, not-a-number and infinite elements, products that overflow.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "geometry/matrix4.h"
#include "projection/voxel_grid.h"

namespace orvane::testing {

class RandomGeometry {
public:
    explicit RandomGeometry(std::uint64_t seed) : random_(seed) {}

    // Rows up to `maxRowLength` voxels, so that both eight-voxel groups and their
    // remainders occur.
    GridSize grid(std::int32_t maxRowLength, std::int32_t maxOther) {
        return {between(1, maxRowLength), between(1, maxOther), between(1, maxOther)};
    }

    // A rotation about all three axes with scaling and translation, then, at random, snapped
    // to quarters (ties), nudged by an ulp (just off a tie or an edge), or spoiled by a
    // non-finite or huge element.
    Matrix4 matrix() {
        const float ax = angle();
        const float ay = angle();
        const float az = angle();
        const float cx = std::cos(ax), sx = std::sin(ax), cy = std::cos(ay), sy = std::sin(ay);
        const float cz = std::cos(az), sz = std::sin(az);
        const float rotation[3][3] = {{cy * cz, sx * sy * cz - cx * sz, cx * sy * cz + sx * sz},
                                      {cy * sz, sx * sy * sz + cx * cz, cx * sy * sz - sx * cz},
                                      {-sy, sx * cy, cx * cy}};
        Matrix4 m;
        identityMatrix(m);
        for (int r = 0; r < 3; ++r) {
            const float scale = uniform(0.2f, 3.0f) * (chance(0.2) ? -1.0f : 1.0f);
            for (int c = 0; c < 3; ++c) {
                m.at(r, c) = rotation[r][c] * scale;
            }
            m.at(r, 3) = uniform(-6.0f, 6.0f);
        }
        if (chance(0.5)) {
            // Quarters on centred coordinates that are whole or half numbers land on exact
            // eighths, many of them ties and many exactly on -0.5 or extent - 0.5.
            const bool axisAligned = chance(0.5);
            for (int r = 0; r < 3; ++r) {
                for (int c = 0; c < 4; ++c) {
                    if (axisAligned && c < 3 && r != c) {
                        m.at(r, c) = chance(0.7) ? 0.0f : m.at(r, c);
                    }
                    m.at(r, c) = std::round(m.at(r, c) * 4.0f) / 4.0f;
                }
            }
        }
        if (chance(0.3)) {
            float& e = element(m);
            e = chance(0.5) ? std::nextafter(e, std::numeric_limits<float>::infinity())
                            : std::nextafter(e, -std::numeric_limits<float>::infinity());
        }
        if (chance(0.15)) {
            const float specials[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                                      -std::numeric_limits<float>::infinity(), 1.0e30f, -3.0e38f, 1.0e-30f, 0.0f,
                                      -0.0f, 2.0e9f};
            element(m) = specials[between(0, static_cast<std::int32_t>(std::size(specials)) - 1)];
        }
        return m;
    }

    // matrix(), then often with one coordinate's translation steered, ulp by ulp, until one
    // target voxel's mapped coordinate lies exactly on a tie or an edge of the source grid,
    // or as near as the rounding of the sums allows. Unlike snapped matrices, these ties come
    // out of inexact sums, so any change in the order of the sums shows.
    Matrix4 matrixWithTie(const GridSize& target, const GridSize& source) {
        Matrix4 m = matrix();
        if (chance(0.6)) {
            steerOntoTie(m, target, source);
        }
        return m;
    }

    // FMR intensities around the threshold and the top of the range, with non-finite ones.
    std::vector<float> intensities(const GridSize& size) {
        const float specials[] = {20.0f,
                                  std::nextafter(20.0f, 21.0f),
                                  20.5f,
                                  224.5f,
                                  225.5f,
                                  std::nextafter(225.5f, 0.0f),
                                  -3.0f,
                                  0.0f,
                                  1.0e30f,
                                  std::numeric_limits<float>::quiet_NaN(),
                                  std::numeric_limits<float>::infinity(),
                                  -std::numeric_limits<float>::infinity()};
        std::vector<float> values(count(size));
        for (float& v : values) {
            v = chance(0.15) ? specials[between(0, static_cast<std::int32_t>(std::size(specials)) - 1)]
                             : uniform(0.0f, 240.0f);
        }
        return values;
    }

    std::vector<unsigned char> bytes(const GridSize& size) {
        std::vector<unsigned char> values(count(size));
        for (unsigned char& v : values) {
            v = static_cast<unsigned char>(between(0, 255));
        }
        return values;
    }

    static std::size_t count(const GridSize& size) {
        return static_cast<std::size_t>(size.x) * static_cast<std::size_t>(size.y) * static_cast<std::size_t>(size.z);
    }

    bool chance(double p) { return std::bernoulli_distribution(p)(random_); }

    std::int32_t between(std::int32_t low, std::int32_t high) {
        return std::uniform_int_distribution<std::int32_t>(low, high)(random_);
    }

private:
    float uniform(float low, float high) { return std::uniform_real_distribution<float>(low, high)(random_); }

    // Mostly small oblique angles, sometimes a quarter or half turn.
    float angle() {
        const float turns[] = {0.0f, 1.5707964f, 3.1415927f, -1.5707964f};
        const float base = chance(0.3) ? turns[between(0, 3)] : 0.0f;
        return base + uniform(-0.4f, 0.4f);
    }

    // Moves one target voxel inside the source grid by the translations alone, with one
    // coordinate exactly on a tie or an edge where the rounding of the sums allows it.
    void steerOntoTie(Matrix4& m, const GridSize& target, const GridSize& source) {
        const std::int32_t extents[3] = {source.x, source.y, source.z};
        const GridCentre t = gridCentre(target);
        const GridCentre s = gridCentre(source);
        const float sourceCentre[3] = {s.x, s.y, s.z};
        const Vector4 centred{static_cast<float>(between(0, target.x - 1)) - t.x,
                              static_cast<float>(between(0, target.y - 1)) - t.y,
                              static_cast<float>(between(0, target.z - 1)) - t.z, 1.0f};
        const int tiedAxis = between(0, 2);
        for (int r = 0; r < 3; ++r) {
            auto coordinate = [&] {
                Vector4 mapped;
                transformPoint(m, centred, mapped);
                const float p[3] = {mapped.x, mapped.y, mapped.z};
                return p[r] + sourceCentre[r];
            };
            // The coordinate is (sum of products) + (extent - 1) / 2. Where the sum is larger
            // in magnitude than the coordinate, as on the lower edge and on the ties of the
            // lower half of the grid, a change in the sum's last bit survives the addition.
            const float goal = r != tiedAxis ? static_cast<float>(between(0, extents[r] - 1)) + uniform(-0.4f, 0.4f)
                               : chance(0.15)
                                   ? static_cast<float>(extents[r]) - 0.5f
                                   : static_cast<float>(between(0, extents[r] / 2)) - 0.5f;
            // Corrections by the remaining difference first, then single ulps of the
            // translation, whose ulp may be much finer than the coordinate's.
            for (int step = 0; step < 64; ++step) {
                const float c = coordinate();
                if (c == goal || !std::isfinite(c)) {
                    break;
                }
                const float corrected = m.at(r, 3) + (goal - c);
                m.at(r, 3) = step < 4 && corrected != m.at(r, 3)
                                 ? corrected
                                 : std::nextafter(m.at(r, 3), c < goal ? 1.0e30f : -1.0e30f);
            }
        }
    }

    float& element(Matrix4& m) { return m.at(between(0, 2), between(0, 3)); }

    std::mt19937_64 random_;
};

}  // namespace orvane::testing
