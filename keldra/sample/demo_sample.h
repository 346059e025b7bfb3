// The built-in sample: the head phantom as a 1 mm anatomical and as two echo-planar functional
// runs, each tilted obliquely against the anatomical, shifted by a fraction of a voxel, and
// carrying the voxel-to-world affine it was sampled with, so the sample is aligned by
// construction. Deterministic: the same bytes on every machine and every call.
#pragma once

#include <cstdint>

#include "keldra/picture/picture_volume.h"

namespace orvane::keldra {

struct DemoSample {
    picture::PictureVolume anatomical;      // 176 x 208 x 176 at 1 mm, integer values in 0..225
    picture::VolumeSeries functional;       // 64 x 64 x 30 at 3 x 3 x 3.5 mm, 10 volumes, slices descending
    picture::VolumeSeries secondFunctional; // same size, another tilt and shift, slices ascending
};

DemoSample makeDemoSample();

picture::VolumeGrid demoAnatomicalGrid();
picture::VolumeGrid demoFunctionalGrid();
picture::VolumeGrid demoSecondFunctionalGrid();

// The phantom sampled at each voxel centre of `grid`, with a little noise, rounded to integers.
picture::PictureVolume sampleAnatomical(const picture::VolumeGrid& grid);

// The phantom as an echo-planar run on `grid`: each voxel averages the object over its extent,
// and the volumes differ by a slow drift, a small block response and noise (stream `seed`),
// rounded to integers as a 16-bit scanner would store them.
picture::VolumeSeries sampleFunctional(const picture::VolumeGrid& grid, int volumes, std::uint64_t seed);

}  // namespace orvane::keldra
