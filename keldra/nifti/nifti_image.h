// The NIfTI library's image record as an owning pointer, and its matrices as keldra's affines:
// what the reader and the writer share. Only for sources built with nifti_clib.
#pragma once

#include <nifti2_io.h>

#include <memory>

#include "keldra/geometry/affine.h"

namespace orvane::keldra {

struct NiftiImageDeleter {
    void operator()(nifti_image* image) const {
        if (image != nullptr) {
            nifti_image_free(image);
        }
    }
};
using NiftiImagePtr = std::unique_ptr<nifti_image, NiftiImageDeleter>;

inline Affine affineOf(const nifti_dmat44& matrix) {
    Affine a;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            a.m[r][c] = matrix.m[r][c];
        }
    }
    return a;
}

inline nifti_dmat44 niftiMatrixOf(const Affine& a) {
    nifti_dmat44 matrix;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            matrix.m[r][c] = a.m[r][c];
        }
    }
    return matrix;
}

}  // namespace orvane::keldra
