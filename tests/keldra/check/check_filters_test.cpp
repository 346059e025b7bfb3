// The check's filters and quantiles take quick paths (smoothing four samples side by side,
// quantiles from a heap, bytes halved as integers, a histogram kept between evaluations); each
// must give the same bits as the plain computation, which these tests spell out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

#include "keldra/check/binning.h"
#include "keldra/check/rigid_motion.h"
#include "keldra/check/similarity.h"
#include "keldra/check/volume_filters.h"

namespace orvane::keldra::check {
namespace {

Volume randomVolume(const std::array<int, 3>& size, std::mt19937& random) {
    Volume v;
    v.size = size;
    v.voxelToWorld = Affine::scaling(2.0, 2.5, 3.0);
    std::uniform_real_distribution<float> u(-50, 200);
    v.samples.resize(v.voxelCount());
    for (float& s : v.samples) {
        s = u(random);
    }
    return v;
}

bool sameBits(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

// Line by line: every output sample the weighted sum over its line in the line's order,
// divided by the sum of the weights used.
Volume plainSmoothed(const Volume& volume, const std::array<double, 3>& sigma) {
    Volume result = volume;
    for (int axis = 0; axis < 3; ++axis) {
        const double s = sigma[static_cast<std::size_t>(axis)];
        const int n = volume.size[static_cast<std::size_t>(axis)];
        if (s <= 0 || n < 2) {
            continue;
        }
        const int radius = static_cast<int>(std::ceil(3.0 * s));
        const Volume before = result;
        for (int k = 0; k < volume.size[2]; ++k) {
            for (int j = 0; j < volume.size[1]; ++j) {
                for (int i = 0; i < volume.size[0]; ++i) {
                    const int at[3] = {i, j, k};
                    double sum = 0, weight = 0;
                    for (int t = std::max(0, at[axis] - radius); t <= std::min(n - 1, at[axis] + radius); ++t) {
                        const double w = std::exp(-0.5 * (t - at[axis]) * (t - at[axis]) / (s * s));
                        int from[3] = {i, j, k};
                        from[axis] = t;
                        sum += w * static_cast<double>(before.at(from[0], from[1], from[2]));
                        weight += w;
                    }
                    result.samples[result.index(i, j, k)] = static_cast<float>(sum / weight);
                }
            }
        }
    }
    return result;
}

TEST(CheckFilters, SmoothingGivesThePlainSumsBits) {
    std::mt19937 random(11);
    // Odd sizes and lines shorter than the kernel reach the ends of the four-sample blocks.
    for (const auto& [size, sigma] : {std::pair{std::array<int, 3>{23, 9, 7}, std::array<double, 3>{0.6, 1.0, 1.7}},
                                      std::pair{std::array<int, 3>{5, 13, 3}, std::array<double, 3>{1.2, 0.0, 0.75}},
                                      std::pair{std::array<int, 3>{40, 3, 11}, std::array<double, 3>{0.0, 2.0, 0.4}}}) {
        const Volume v = randomVolume(size, random);
        EXPECT_TRUE(sameBits(smoothed(v, sigma).samples, plainSmoothed(v, sigma).samples))
            << size[0] << "x" << size[1] << "x" << size[2];
    }
}

TEST(CheckFilters, BytesHalveToTheBitsOfTheirFloats) {
    std::mt19937 random(12);
    const std::array<int, 3> size{17, 10, 9};
    std::vector<std::uint8_t> bytes(17 * 10 * 9);
    for (std::uint8_t& b : bytes) {
        b = static_cast<std::uint8_t>(random() % 256);
    }
    Volume floats;
    floats.size = size;
    floats.samples.assign(bytes.begin(), bytes.end());
    for (const std::array<bool, 3>& halve : {std::array<bool, 3>{true, true, true}, std::array<bool, 3>{false, true, false},
                                            std::array<bool, 3>{true, false, true}}) {
        EXPECT_TRUE(sameBits(halved(bytes.data(), size, floats.voxelToWorld, halve).samples, halved(floats, halve).samples));
    }
}

TEST(CheckFilters, QuantilesAreTheSortedValues) {
    std::mt19937 random(13);
    Volume v = randomVolume({30, 20, 10}, random);
    v.samples[7] = NAN;
    v.samples[8] = INFINITY;
    std::vector<std::uint8_t> mask(v.voxelCount());
    for (std::uint8_t& m : mask) {
        m = random() % 3 != 0 ? 1 : 0;
    }
    for (const std::vector<std::uint8_t>& m : {std::vector<std::uint8_t>{}, mask}) {
        std::vector<float> sorted;
        for (std::size_t i = 0; i < v.samples.size(); ++i) {
            if ((m.empty() || m[i]) && std::isfinite(v.samples[i])) {
                sorted.push_back(v.samples[i]);
            }
        }
        std::sort(sorted.begin(), sorted.end());
        for (double q : {0.0, 0.001, 0.01, 0.5, 0.99, 0.995, 1.0}) {
            const std::size_t n = static_cast<std::size_t>(q * static_cast<double>(sorted.size() - 1));
            EXPECT_EQ(quantile(v, m, q), sorted[n]) << q;
        }
    }
}

TEST(CheckFilters, NmiIsTheSameWithWorkingMemoryKeptBetweenMeasures) {
    // Two measures with different bin counts share one working memory, as a search's coarse
    // and fine levels do; every value must be what a fresh evaluation gives.
    std::mt19937 random(14);
    Volume anatomy = plainSmoothed(randomVolume({40, 44, 36}, random), {1.5, 1.5, 1.5});
    Volume functional = plainSmoothed(randomVolume({16, 18, 12}, random), {1.0, 1.0, 1.0});
    functional.voxelToWorld = Affine::translation({12, 14, 10}) * Affine::scaling(3.0, 3.0, 3.5);
    const std::vector<std::uint8_t> mask(functional.voxelCount(), 1);
    const SimilarityMeasure wide(functional, mask, anatomy, {quantile(functional, {}, 0.01), quantile(functional, {}, 0.99), 24},
                                 {quantile(anatomy, {}, 0.0), quantile(anatomy, {}, 0.995), 24}, 3000);
    const SimilarityMeasure narrow(functional, mask, anatomy, {quantile(functional, {}, 0.01), quantile(functional, {}, 0.99), 8},
                                   {quantile(anatomy, {}, 0.0), quantile(anatomy, {}, 0.995), 8}, 500);
    SimilarityMeasure::Scratch kept;
    std::uniform_real_distribution<double> shift(-6, 6), turn(-8, 8);
    for (int n = 0; n < 6; ++n) {
        const Affine motion = rigidMotion({shift(random), shift(random), shift(random), turn(random), turn(random), turn(random)},
                                          functional.centre());
        const SimilarityMeasure& measure = n % 2 ? narrow : wide;
        const double fresh = measure.nmi(motion);
        EXPECT_GT(fresh, 1.0);
        EXPECT_EQ(measure.nmi(motion, kept), fresh) << n;
    }
}

}  // namespace
}  // namespace orvane::keldra::check
