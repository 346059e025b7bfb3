// Test images through nifti_clib, and scratch folders.
#include "tests/keldra/nifti_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace orvane::keldra::testing {

namespace {

nifti_dmat44 toNifti(const Affine& a) {
    nifti_dmat44 m;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) m.m[r][c] = a.m[r][c];
    return m;
}

Affine fromNifti(const nifti_dmat44& m) {
    Affine a;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) a.m[r][c] = m.m[r][c];
    return a;
}

template <typename T>
void store(void* data, std::size_t i, double v) {
    static_cast<T*>(data)[i] = static_cast<T>(v);
}

template <typename T>
double load(const void* data, std::size_t i) {
    return static_cast<double>(static_cast<const T*>(data)[i]);
}

}  // namespace

void writeTestImage(const std::string& path, const TestImage& image) {
    nifti_set_debug_level(0);
    std::int64_t dims[8] = {image.nt > 1 ? 4 : 3, image.nx, image.ny, image.nz, image.nt, 1, 1, 1};
    nifti_image* nim = nifti_make_new_nim(dims, image.datatype, 1);
    ASSERT_NE(nim, nullptr);
    nim->dx = nim->pixdim[1] = image.voxelSize[0];
    nim->dy = nim->pixdim[2] = image.voxelSize[1];
    nim->dz = nim->pixdim[3] = image.voxelSize[2];
    nim->sform_code = image.sformCode;
    nim->sto_xyz = toNifti(image.sform);
    nim->qform_code = image.qformCode;
    if (image.qformCode > 0) {
        double dx, dy, dz;
        nifti_dmat44_to_quatern(toNifti(image.qform), &nim->quatern_b, &nim->quatern_c, &nim->quatern_d,
                                &nim->qoffset_x, &nim->qoffset_y, &nim->qoffset_z, &dx, &dy, &dz, &nim->qfac);
    }
    for (std::size_t i = 0; i < image.values.size() && i < image.size(); ++i) {
        double v = image.values[i];
        switch (image.datatype) {
            case DT_UINT8: store<std::uint8_t>(nim->data, i, v); break;
            case DT_INT16: store<std::int16_t>(nim->data, i, v); break;
            case DT_INT32: store<std::int32_t>(nim->data, i, v); break;
            case DT_FLOAT32: store<float>(nim->data, i, v); break;
            case DT_FLOAT64: store<double>(nim->data, i, v); break;
            default: break;  // other types are written as zeros
        }
    }
    ASSERT_EQ(nifti_set_filenames(nim, path.c_str(), 0, 1), 0);
    nim->nifti_type = NIFTI_FTYPE_NIFTI1_1;
    nifti_image_write(nim);
    nifti_image_free(nim);
    ASSERT_TRUE(std::filesystem::exists(path)) << path;
}

ReadImage readTestImage(const std::string& path) {
    nifti_set_debug_level(0);
    ReadImage result;
    nifti_image* nim = nifti_image_read(path.c_str(), 1);
    EXPECT_NE(nim, nullptr) << path;
    if (nim == nullptr) {
        return result;
    }
    result.nx = static_cast<int>(nim->nx);
    result.ny = static_cast<int>(nim->ny);
    result.nz = static_cast<int>(nim->nz);
    result.nt = static_cast<int>(nim->nt);
    result.datatype = nim->datatype;
    result.slope = nim->scl_slope;
    result.intercept = nim->scl_inter;
    result.sformCode = nim->sform_code;
    result.qformCode = nim->qform_code;
    result.sform = fromNifti(nim->sto_xyz);
    result.qform = fromNifti(nim->qto_xyz);
    result.values.resize(static_cast<std::size_t>(nim->nvox));
    for (std::size_t i = 0; i < result.values.size(); ++i) {
        switch (nim->datatype) {
            case DT_UINT8: result.values[i] = load<std::uint8_t>(nim->data, i); break;
            case DT_INT16: result.values[i] = load<std::int16_t>(nim->data, i); break;
            case DT_FLOAT32: result.values[i] = load<float>(nim->data, i); break;
            default: ADD_FAILURE() << "unexpected data type " << nim->datatype; break;
        }
    }
    nifti_image_free(nim);
    return result;
}

Affine obliqueAffine(double ax, double ay, const double voxelSize[3], const Vector3d& translation, bool flipX,
                     bool flipZ) {
    const double pi = 3.14159265358979323846;
    double a = ax * pi / 180, b = ay * pi / 180;
    Affine rx = Affine::identity();
    rx.m[1][1] = std::cos(a);
    rx.m[1][2] = -std::sin(a);
    rx.m[2][1] = std::sin(a);
    rx.m[2][2] = std::cos(a);
    Affine ry = Affine::identity();
    ry.m[0][0] = std::cos(b);
    ry.m[0][2] = std::sin(b);
    ry.m[2][0] = -std::sin(b);
    ry.m[2][2] = std::cos(b);
    Affine scale = Affine::scaling(flipX ? -voxelSize[0] : voxelSize[0], voxelSize[1], flipZ ? -voxelSize[2] : voxelSize[2]);
    return Affine::translation(translation) * ry * rx * scale;
}

ScratchFolder::ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "keldra-test-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const char* made = mkdtemp(buffer.data());
    path_ = made != nullptr ? made : "";
}

ScratchFolder::~ScratchFolder() {
    std::error_code ec;
    if (!path_.empty()) {
        std::filesystem::remove_all(path_, ec);
    }
}

std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace orvane::keldra::testing
