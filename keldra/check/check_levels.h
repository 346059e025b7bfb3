// The two images prepared for the search, each at a fine and a coarse level. The anatomy is
// prepared once and serves every functional checked against it: averaged down to about 2 mm
// voxels and smoothed (fine), and again to about 4 mm (coarse), plus a head mask for coverage.
// A functional keeps its own grid at the fine level and is smoothed and halved in-plane (and
// across slices when it has enough of them) for the coarse level, with a head mask at each.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "keldra/check/binning.h"
#include "keldra/check/check_volume.h"

namespace orvane::keldra::check {

struct AnatomyLevel {
    Volume volume;       // finite samples, at least 2 voxels along every axis
    double binLo = 0;    // the intensity range the bins span
    double binHi = 1;
};

struct AnatomyReference {
    std::array<int, 3> size{};  // the anatomy's own grid
    Affine voxelToWorld = Affine::identity();
    AnatomyLevel fine;
    AnatomyLevel coarse;
    // The head at a coarse grid, for the coverage of the functional's field of view.
    Volume headGrid;
    std::vector<std::uint8_t> head;
};

// Fails with one sentence in `error` when the anatomy cannot serve: fewer than 2 voxels along
// an axis, a transform that cannot be inverted, no two distinct values.
bool prepareAnatomy(const Volume& anatomy, AnatomyReference& reference, std::string& error);
// The same from an anatomy held as bytes (the host's 8-bit anatomical) on a grid of `size`,
// without a copy in floats.
bool prepareAnatomy(const std::uint8_t* samples, const std::array<int, 3>& size, const Affine& voxelToWorld,
                    AnatomyReference& reference, std::string& error);

struct FunctionalLevel {
    Volume volume;                    // finite samples (NaN and infinite ones set to 0 and masked out)
    std::vector<std::uint8_t> mask;   // the head, grown by a voxel
    Binning bins;
    std::size_t maskedVoxels = 0;
};

struct FunctionalLevels {
    FunctionalLevel fine;
    FunctionalLevel coarse;
    bool coarseIsFine = false;  // a small functional is not thinned out
    Vector3d headCentre;  // the centroid of the fine mask, in world millimetres
    std::size_t nonFiniteSamples = 0;
};

// Fails with one sentence in `error` when there is nothing to compare: a malformed volume, a
// single value, too few head voxels.
bool prepareFunctional(const Volume& functional, FunctionalLevels& levels, std::string& error);

}  // namespace orvane::keldra::check
