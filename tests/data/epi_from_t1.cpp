// Making echo-planar-like functionals from the T1.
#include "tests/data/epi_from_t1.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "keldra/check/rigid_motion.h"
#include "keldra/check/volume_filters.h"
#include "tests/data/nifti_volumes.h"

namespace orvane::testdata {
namespace {

using keldra::Affine;
using keldra::Vector3d;
using keldra::check::Volume;

float quantileOf(std::vector<float> values, double q) {
    const std::size_t n = static_cast<std::size_t>(q * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(n), values.end());
    return values[n];
}

// Trilinear sample at voxel coordinates; 0 outside.
double sampleAt(const Volume& v, const Vector3d& p) {
    if (!(p.x >= 0 && p.y >= 0 && p.z >= 0 && p.x <= v.size[0] - 1 && p.y <= v.size[1] - 1 && p.z <= v.size[2] - 1)) {
        return 0.0;
    }
    const int i = std::min(static_cast<int>(p.x), v.size[0] - 2);
    const int j = std::min(static_cast<int>(p.y), v.size[1] - 2);
    const int k = std::min(static_cast<int>(p.z), v.size[2] - 2);
    const double fx = p.x - i, fy = p.y - j, fz = p.z - k;
    double sum = 0;
    for (int dk = 0; dk < 2; ++dk) {
        for (int dj = 0; dj < 2; ++dj) {
            for (int di = 0; di < 2; ++di) {
                const double w = (di ? fx : 1 - fx) * (dj ? fy : 1 - fy) * (dk ? fz : 1 - fz);
                sum += w * v.at(i + di, j + dj, k + dk);
            }
        }
    }
    return sum;
}

Affine scaling(const std::array<double, 3>& s) {
    Affine a = Affine::identity();
    for (std::size_t i = 0; i < 3; ++i) {
        a.m[i][i] = s[i];
    }
    return a;
}

}  // namespace

EpiSettings variedEpiSettings(std::mt19937& random, unsigned seed) {
    std::uniform_real_distribution<double> u(0, 1);
    EpiSettings settings;
    const int kind = std::min(2, static_cast<int>(u(random) * 3));
    if (kind == 0) {
        settings.size = {64, 64, 36};
        settings.voxelMm = {3, 3, 3.5};
    } else if (kind == 1) {
        settings.size = {56, 56, 32};
        settings.voxelMm = {3.5, 3.5, 4};
    } else {
        settings.size = {48, 48, 30};
        settings.voxelMm = {4, 4, 4};
    }
    settings.tiltDegrees = {-25 + 40 * u(random), -6 + 12 * u(random), -6 + 12 * u(random)};
    settings.gridOffsetMm = {-6 + 12 * u(random), -10 + 20 * u(random), -8 + 16 * u(random)};
    settings.noise = 0.02 + 0.04 * u(random);
    settings.biasAmplitude = 0.1 + 0.2 * u(random);
    settings.dropout = 0.5 + 0.4 * u(random);
    settings.seed = seed;
    return settings;
}

EpiGenerator::EpiGenerator() {
    Volume brain;
    if (!readNiftiVolume(kT1HeadPath, t1_, error_) || !readNiftiVolume(kT1BrainPath, brain, error_)) {
        error_ += " (Debian's package mricron-data provides it)";
        return;
    }
    if (brain.size != t1_.size) {
        error_ = "the T1 and its brain have different grids";
        return;
    }
    std::vector<float> brainValues;
    Vector3d sum;
    for (int k = 0; k < t1_.size[2]; ++k) {
        for (int j = 0; j < t1_.size[1]; ++j) {
            for (int i = 0; i < t1_.size[0]; ++i) {
                if (brain.at(i, j, k) > 0) {
                    brainValues.push_back(t1_.at(i, j, k));
                    sum = sum + Vector3d{static_cast<double>(i), static_cast<double>(j), static_cast<double>(k)};
                }
            }
        }
    }
    brainCentre_ = t1_.voxelToWorld.apply((1.0 / static_cast<double>(brainValues.size())) * sum);
    // Fluid sits at the dark end of the brain's T1 values, white matter at the bright end.
    const double fluid = quantileOf(brainValues, 0.03);
    const double white = quantileOf(brainValues, 0.95);
    contrast_ = t1_;
    for (std::size_t i = 0; i < contrast_.samples.size(); ++i) {
        const double t1 = t1_.samples[i];
        if (brain.samples[i] > 0) {
            const double t = std::clamp((t1 - fluid) / (white - fluid), 0.0, 1.0);
            contrast_.samples[i] = static_cast<float>(1.0 - 0.6 * t);
        } else {
            contrast_.samples[i] = static_cast<float>(0.15 * std::min(1.0, t1 / white));
        }
    }
}

const Volume& EpiGenerator::contrastBlurredBy(double sigmaMm) {
    const long key = std::lround(sigmaMm * 1000);
    auto found = blurred_.find(key);
    if (found == blurred_.end()) {
        found = blurred_.emplace(key, keldra::check::smoothed(contrast_, {sigmaMm, sigmaMm, sigmaMm})).first;
    }
    return found->second;
}

Volume EpiGenerator::anatomyOnGrid(const std::array<int, 3>& size) const {
    Volume anatomy;
    anatomy.size = size;
    anatomy.voxelToWorld = Affine::translation(brainCentre_ - Vector3d{(size[0] - 1) / 2.0, (size[1] - 1) / 2.0, (size[2] - 1) / 2.0});
    const Affine worldToT1 = t1_.voxelToWorld.inverse().value_or(Affine::identity());
    const Affine toT1 = worldToT1 * anatomy.voxelToWorld;
    anatomy.samples.resize(anatomy.voxelCount());
    for (int k = 0; k < size[2]; ++k) {
        for (int j = 0; j < size[1]; ++j) {
            for (int i = 0; i < size[0]; ++i) {
                const Vector3d p = toT1.apply({static_cast<double>(i), static_cast<double>(j), static_cast<double>(k)});
                anatomy.samples[anatomy.index(i, j, k)] = static_cast<float>(sampleAt(t1_, p));
            }
        }
    }
    return anatomy;
}

Volume EpiGenerator::functional(const EpiSettings& settings) {
    const Vector3d gridCentre = brainCentre_ + settings.gridOffsetMm;
    const Vector3d halfGrid{(settings.size[0] - 1) / 2.0, (settings.size[1] - 1) / 2.0, (settings.size[2] - 1) / 2.0};
    // What the header says, and where the data truly come from.
    const Affine header = keldra::check::rotationAbout(gridCentre, settings.tiltDegrees) * Affine::translation(gridCentre) *
                          scaling(settings.voxelMm) * Affine::translation(-1.0 * halfGrid);
    const Affine truth = Affine::translation(settings.trueShiftMm) * keldra::check::rotationAbout(gridCentre, settings.trueRotationDegrees) * header;

    const double meanVoxel = (settings.voxelMm[0] + settings.voxelMm[1] + settings.voxelMm[2]) / 3.0;
    const Volume& source = contrastBlurredBy(0.4 * meanVoxel);
    const Affine worldToT1 = t1_.voxelToWorld.inverse().value_or(Affine::identity());
    const Affine voxelToT1 = worldToT1 * truth;

    std::mt19937 random(settings.seed);
    std::normal_distribution<double> gaussian(0.0, 1.0);
    std::uniform_real_distribution<double> coefficient(-1.0, 1.0);
    const double bias[4] = {coefficient(random), coefficient(random), coefficient(random), coefficient(random)};
    const Vector3d sinus = brainCentre_ + Vector3d{0, 42, -20};

    Volume epi;
    epi.size = settings.size;
    epi.samples.resize(epi.voxelCount());
    for (int k = 0; k < settings.size[2]; ++k) {
        for (int j = 0; j < settings.size[1]; ++j) {
            for (int i = 0; i < settings.size[0]; ++i) {
                const int si = settings.flip == Flip::VoxelOrder ? settings.size[0] - 1 - i : i;
                const Vector3d voxel{static_cast<double>(si), static_cast<double>(j), static_cast<double>(k)};
                double signal = sampleAt(source, voxelToT1.apply(voxel));
                // Bias and signal loss belong to the head, so they follow the true position.
                const Vector3d w = truth.apply(voxel) - brainCentre_;
                const Vector3d u = (1.0 / 80.0) * w;
                const double field = 1.0 + settings.biasAmplitude * std::tanh(0.5 * bias[0] * u.x + 0.5 * bias[1] * u.y +
                                                                          0.4 * bias[2] * u.z + 0.3 * bias[3] * u.y * u.y);
                const Vector3d d = truth.apply(voxel) - sinus;
                const double loss = 1.0 - settings.dropout * std::exp(-dot(d, d) / (2 * 14.0 * 14.0));
                signal *= field * loss;
                const double re = signal + settings.noise * gaussian(random);
                const double im = settings.noise * gaussian(random);
                epi.samples[epi.index(i, j, k)] = static_cast<float>(1000.0 * std::sqrt(re * re + im * im));
            }
        }
    }
    epi.voxelToWorld = header;
    if (settings.flip == Flip::NegatedColumn) {
        for (std::size_t r = 0; r < 3; ++r) {
            epi.voxelToWorld.m[r][0] = -epi.voxelToWorld.m[r][0];
        }
    }
    return epi;
}

}  // namespace orvane::testdata
