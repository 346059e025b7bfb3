// Writing NIfTI files (.nii, .nii.gz) through nifti_clib. Reading, with its checks, is in
// nifti_file_reader.cpp.
#include <nifti2_io.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "keldra/nifti/nifti_image.h"
#include "keldra/nifti/volume_file.h"

namespace orvane::keldra {

namespace {

// The library reports problems on stderr itself unless told to be quiet; keldra words its
// own one-line messages instead.
void quietLibrary() { nifti_set_debug_level(0); }

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

}  // namespace

bool volumeFilesSupported() { return true; }

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
    image->sto_xyz = niftiMatrixOf(file.sform);
    image->sto_ijk = nifti_dmat44_inverse(image->sto_xyz);
    image->qform_code = file.qformCode;
    if (file.qformCode > 0) {
        double dx = 0, dy = 0, dz = 0;
        nifti_dmat44_to_quatern(niftiMatrixOf(file.qform), &image->quatern_b, &image->quatern_c, &image->quatern_d,
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
