// Reading and writing NIfTI-1 and NIfTI-2 files (.nii, .nii.gz) through nifti_clib. This is
// the only place that knows the file format.
#include <nifti2_io.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "keldra/volume_file.h"

namespace orvane::keldra {

namespace {

struct NiftiImageDeleter {
    void operator()(nifti_image* image) const {
        if (image != nullptr) {
            nifti_image_free(image);
        }
    }
};
using NiftiImagePtr = std::unique_ptr<nifti_image, NiftiImageDeleter>;

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

// The library reports problems on stderr itself unless told to be quiet; keldra words its
// own one-line messages instead.
void quietLibrary() { nifti_set_debug_level(0); }

bool endsWith(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

SampleType sampleTypeOf(int datatype) {
    switch (datatype) {
        case DT_UINT8: return SampleType::UInt8;
        case DT_INT8: return SampleType::Int8;
        case DT_INT16: return SampleType::Int16;
        case DT_UINT16: return SampleType::UInt16;
        case DT_INT32: return SampleType::Int32;
        case DT_UINT32: return SampleType::UInt32;
        case DT_INT64: return SampleType::Int64;
        case DT_UINT64: return SampleType::UInt64;
        case DT_FLOAT32: return SampleType::Float32;
        case DT_FLOAT64: return SampleType::Float64;
        default: return SampleType::Unsupported;
    }
}

int datatypeOf(SampleType type) {
    switch (type) {
        case SampleType::UInt8: return DT_UINT8;
        case SampleType::Int8: return DT_INT8;
        case SampleType::Int16: return DT_INT16;
        case SampleType::UInt16: return DT_UINT16;
        case SampleType::Int32: return DT_INT32;
        case SampleType::UInt32: return DT_UINT32;
        case SampleType::Int64: return DT_INT64;
        case SampleType::UInt64: return DT_UINT64;
        case SampleType::Float32: return DT_FLOAT32;
        case SampleType::Float64: return DT_FLOAT64;
        case SampleType::Unsupported: break;
    }
    return DT_UNKNOWN;
}

Affine toAffine(const nifti_dmat44& m) {
    Affine a;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            a.m[r][c] = m.m[r][c];
        }
    }
    return a;
}

nifti_dmat44 toNifti(const Affine& a) {
    nifti_dmat44 m;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            m.m[r][c] = a.m[r][c];
        }
    }
    return m;
}

}  // namespace

bool volumeFilesSupported() { return true; }

bool readVolumeFile(const std::string& path, VolumeFile& file, std::string& error) {
    quietLibrary();
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        error = "no such file";
        return false;
    }
    if (!std::filesystem::is_regular_file(path, ec)) {
        error = "not a regular file";
        return false;
    }
    if (!endsWith(path, ".nii") && !endsWith(path, ".nii.gz")) {
        error = "not a NIfTI file (the name must end in .nii or .nii.gz)";
        return false;
    }
    int version = 0;
    std::unique_ptr<void, FreeDeleter> header(nifti_read_header(path.c_str(), &version, 1));
    if (!header || (version != 1 && version != 2)) {
        error = "not a NIfTI file (no valid NIfTI header)";
        return false;
    }
    NiftiImagePtr image(nifti_image_read(path.c_str(), 1));
    if (!image || image->data == nullptr) {
        error = "the image data could not be read (the file is truncated or damaged)";
        return false;
    }
    if (image->nifti_type != NIFTI_FTYPE_NIFTI1_1 && image->nifti_type != NIFTI_FTYPE_NIFTI2_1) {
        error = "not a single-file NIfTI image";
        return false;
    }
    // Dimensions beyond ndim read as 0.
    const std::int64_t volumes = image->ndim >= 4 && image->nt > 1 ? image->nt : 1;
    if (image->ndim > 4 && (image->nu > 1 || image->nv > 1 || image->nw > 1)) {
        error = "has more than four dimensions";
        return false;
    }
    const std::int64_t limit = 1 << 20;
    const std::int64_t nz = image->ndim >= 3 && image->nz > 1 ? image->nz : 1;
    const std::int64_t ny = image->ndim >= 2 && image->ny > 1 ? image->ny : 1;
    if (image->nx < 1 || image->nx > limit || ny > limit || nz > limit || volumes > limit ||
        static_cast<std::int64_t>(image->nx) * ny * nz * volumes != image->nvox) {
        error = "has an invalid grid size";
        return false;
    }

    VolumeFile result;
    result.nx = static_cast<int>(image->nx);
    result.ny = static_cast<int>(ny);
    result.nz = static_cast<int>(nz);
    result.volumes = static_cast<int>(volumes);
    result.voxelSize[0] = image->dx;
    result.voxelSize[1] = image->dy;
    result.voxelSize[2] = image->dz;
    result.sampleType = sampleTypeOf(image->datatype);
    const char* typeName = nifti_datatype_string(image->datatype);
    result.sampleTypeName = typeName != nullptr ? typeName : "unknown";
    result.slope = image->scl_slope;
    result.intercept = image->scl_inter;
    result.sformCode = image->sform_code;
    result.sform = toAffine(image->sto_xyz);
    result.qformCode = image->qform_code;
    result.qform = toAffine(image->qto_xyz);
    if (result.sampleType != SampleType::Unsupported) {
        std::size_t bytes = static_cast<std::size_t>(image->nvox) * sampleSize(result.sampleType);
        result.samples.resize(bytes);
        std::memcpy(result.samples.data(), image->data, bytes);
    }
    file = std::move(result);
    return true;
}

bool writeVolumeFile(const std::string& path, const VolumeFile& file, std::string& error) {
    quietLibrary();
    int datatype = datatypeOf(file.sampleType);
    if (datatype == DT_UNKNOWN) {
        error = "cannot write this data type";
        return false;
    }
    std::size_t expected = file.voxelsPerVolume() * static_cast<std::size_t>(file.volumes) * sampleSize(file.sampleType);
    if (file.samples.size() != expected) {
        error = "the samples do not match the grid";
        return false;
    }
    std::int64_t dims[8] = {file.volumes > 1 ? 4 : 3, file.nx, file.ny, file.nz, file.volumes, 1, 1, 1};
    NiftiImagePtr image(nifti_make_new_nim(dims, datatype, 0));
    if (!image) {
        error = "the NIfTI library could not create an image";
        return false;
    }
    image->dx = image->pixdim[1] = file.voxelSize[0];
    image->dy = image->pixdim[2] = file.voxelSize[1];
    image->dz = image->pixdim[3] = file.voxelSize[2];
    image->scl_slope = 1;
    image->scl_inter = 0;
    image->xyz_units = NIFTI_UNITS_MM;
    image->sform_code = file.sformCode;
    image->sto_xyz = toNifti(file.sform);
    image->sto_ijk = nifti_dmat44_inverse(image->sto_xyz);
    image->qform_code = file.qformCode;
    if (file.qformCode > 0) {
        double dx = 0, dy = 0, dz = 0;
        nifti_dmat44_to_quatern(toNifti(file.qform), &image->quatern_b, &image->quatern_c, &image->quatern_d,
                                &image->qoffset_x, &image->qoffset_y, &image->qoffset_z, &dx, &dy, &dz,
                                &image->qfac);
        image->qto_xyz = nifti_quatern_to_dmat44(image->quatern_b, image->quatern_c, image->quatern_d,
                                                 image->qoffset_x, image->qoffset_y, image->qoffset_z, image->dx,
                                                 image->dy, image->dz, image->qfac);
        image->qto_ijk = nifti_dmat44_inverse(image->qto_xyz);
    }
    if (nifti_set_filenames(image.get(), path.c_str(), 0, 1) != 0) {
        error = "not a valid NIfTI file name";
        return false;
    }
    image->nifti_type = NIFTI_FTYPE_NIFTI1_1;
    // The library only reads through this pointer while writing; it is detached before the
    // image is freed so that the caller's buffer is not released.
    image->data = const_cast<unsigned char*>(file.samples.data());
    nifti_image_write(image.get());
    image->data = nullptr;

    // The library reports write failures only in text, so check what landed on disk.
    NiftiImagePtr check(nifti_image_read(path.c_str(), 1));
    if (!check || check->data == nullptr || check->nvox != image->nvox || check->datatype != datatype) {
        error = "the file could not be written completely";
        return false;
    }
    return true;
}

}  // namespace orvane::keldra
