// NIfTI input and output of test volumes through nifti_clib.
#include "tests/data/nifti_volumes.h"

#include <nifti2_io.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace orvane::testdata {
namespace {

struct NiftiImageDeleter {
    void operator()(nifti_image* image) const { nifti_image_free(image); }
};
using NiftiImagePtr = std::unique_ptr<nifti_image, NiftiImageDeleter>;

template <typename T>
void convert(const void* data, std::size_t count, std::vector<float>& out, double slope, double intercept) {
    const T* samples = static_cast<const T*>(data);
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = static_cast<float>(slope * static_cast<double>(samples[i]) + intercept);
    }
}

keldra::Affine fromNifti(const nifti_dmat44& m) {
    keldra::Affine a;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            a.m[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] = m.m[r][c];
        }
    }
    return a;
}

nifti_dmat44 toNifti(const keldra::Affine& a) {
    nifti_dmat44 m;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            m.m[r][c] = a.m[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
        }
    }
    return m;
}

}  // namespace

bool readNiftiVolume(const std::string& path, keldra::check::Volume& volume, std::string& error) {
    nifti_set_debug_level(0);
    NiftiImagePtr image(nifti_image_read(path.c_str(), 1));
    if (!image || image->data == nullptr) {
        error = "cannot read " + path;
        return false;
    }
    volume.size = {static_cast<int>(image->nx), static_cast<int>(image->ny), static_cast<int>(image->nz)};
    const std::size_t count = volume.voxelCount();
    volume.samples.assign(count, 0.0f);
    const double slope = image->scl_slope != 0 ? image->scl_slope : 1.0;
    const double intercept = image->scl_slope != 0 ? image->scl_inter : 0.0;
    switch (image->datatype) {
        case DT_UINT8: convert<std::uint8_t>(image->data, count, volume.samples, slope, intercept); break;
        case DT_INT8: convert<std::int8_t>(image->data, count, volume.samples, slope, intercept); break;
        case DT_INT16: convert<std::int16_t>(image->data, count, volume.samples, slope, intercept); break;
        case DT_UINT16: convert<std::uint16_t>(image->data, count, volume.samples, slope, intercept); break;
        case DT_INT32: convert<std::int32_t>(image->data, count, volume.samples, slope, intercept); break;
        case DT_FLOAT32: convert<float>(image->data, count, volume.samples, slope, intercept); break;
        case DT_FLOAT64: convert<double>(image->data, count, volume.samples, slope, intercept); break;
        default: error = path + ": unsupported data type"; return false;
    }
    volume.voxelToWorld = fromNifti(image->sform_code > 0 ? image->sto_xyz : image->qto_xyz);
    return true;
}

bool writeNiftiVolume(const std::string& path, const keldra::check::Volume& volume, StoredAs storedAs, std::string& error,
                      int transformCode) {
    nifti_set_debug_level(0);
    const int datatype = storedAs == StoredAs::Int16 ? DT_INT16 : DT_FLOAT32;
    const std::int64_t dims[8] = {3, volume.size[0], volume.size[1], volume.size[2], 1, 1, 1, 1};
    NiftiImagePtr image(nifti_make_new_nim(dims, datatype, 0));
    if (!image) {
        error = "the NIfTI library could not create an image";
        return false;
    }
    const std::array<double, 3> spacing = volume.spacingMm();
    image->dx = image->pixdim[1] = spacing[0];
    image->dy = image->pixdim[2] = spacing[1];
    image->dz = image->pixdim[3] = spacing[2];
    image->xyz_units = NIFTI_UNITS_MM;
    image->sform_code = transformCode;
    image->sto_xyz = toNifti(volume.voxelToWorld);
    image->sto_ijk = nifti_dmat44_inverse(image->sto_xyz);
    image->qform_code = transformCode;
    double dx = 0, dy = 0, dz = 0;
    nifti_dmat44_to_quatern(image->sto_xyz, &image->quatern_b, &image->quatern_c, &image->quatern_d, &image->qoffset_x,
                            &image->qoffset_y, &image->qoffset_z, &dx, &dy, &dz, &image->qfac);
    image->qto_xyz = nifti_quatern_to_dmat44(image->quatern_b, image->quatern_c, image->quatern_d, image->qoffset_x,
                                             image->qoffset_y, image->qoffset_z, image->dx, image->dy, image->dz,
                                             image->qfac);
    image->qto_ijk = nifti_dmat44_inverse(image->qto_xyz);
    if (nifti_set_filenames(image.get(), path.c_str(), 0, 1) != 0) {
        error = "not a valid NIfTI file name: " + path;
        return false;
    }
    image->nifti_type = NIFTI_FTYPE_NIFTI1_1;
    std::vector<std::int16_t> integers;
    std::vector<float> reals;
    if (storedAs == StoredAs::Int16) {
        integers.resize(volume.samples.size());
        for (std::size_t i = 0; i < integers.size(); ++i) {
            const float v = std::isfinite(volume.samples[i]) ? volume.samples[i] : 0.0f;
            integers[i] = static_cast<std::int16_t>(std::lround(std::fmin(32767.0f, std::fmax(-32768.0f, v))));
        }
        image->data = integers.data();
    } else {
        reals = volume.samples;
        image->data = reals.data();
    }
    nifti_image_write(image.get());
    image->data = nullptr;
    NiftiImagePtr check(nifti_image_read(path.c_str(), 0));
    if (!check) {
        error = "could not write " + path;
        return false;
    }
    return true;
}

}  // namespace orvane::testdata
