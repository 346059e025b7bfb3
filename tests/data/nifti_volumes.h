// Reading and writing the check's volumes as NIfTI files through nifti_clib, for test data:
// the real images Debian ships, and generated functionals saved for a look or a dataset.
#pragma once

#include <string>

#include "keldra/check/check_volume.h"

namespace orvane::testdata {

// The first volume of a .nii or .nii.gz file as real values (scaling applied), placed by the
// sform when its code is above 0, else the qform. False with a sentence in `error` on failure.
bool readNiftiVolume(const std::string& path, keldra::check::Volume& volume, std::string& error);

// Writes `volume` as 16-bit integers (values rounded and clamped) or 32-bit reals, with sform
// and qform set to its transform (code 1, scanner space), unless `transformCode` says otherwise.
enum class StoredAs { Int16, Float32 };
bool writeNiftiVolume(const std::string& path, const keldra::check::Volume& volume, StoredAs storedAs, std::string& error,
                      int transformCode = 1);

}  // namespace orvane::testdata
