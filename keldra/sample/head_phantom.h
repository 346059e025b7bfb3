// A head phantom defined in world space (RAS millimetres), so that an anatomical and any
// number of functionals can be sampled from the same object, each on its own grid. Nested
// ellipsoids make scalp, skull, cerebrospinal fluid, grey and white matter; folded boundaries,
// a midline fissure, unequal lateral ventricles and a right frontal lesion make it look like a
// head and make a left-right flip obvious.
#pragma once

#include <cstdint>

#include "keldra/geometry/affine.h"

namespace orvane::keldra {

enum class Tissue : std::uint8_t { Air, Scalp, Muscle, Bone, Csf, Grey, White, Lesion, Eye };

Tissue headTissueAt(const Vector3d& world);

// Typical intensities: a T1-weighted anatomical in 0..225 (fat bright, fluid dark) and a
// T2*-weighted echo-planar functional in scanner units (fluid bright, scalp fat suppressed).
float anatomicalIntensity(Tissue tissue);
float functionalIntensity(Tissue tissue);

// A deterministic value in [-1, 1] for a voxel index and a stream number; the sample's noise.
double hashedNoise(std::uint64_t index, std::uint64_t stream);

}  // namespace orvane::keldra
