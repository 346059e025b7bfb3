// Building the benchmark scenarios.
#include "bench_scenarios.h"

#include <cmath>
#include <cstdio>
#include <cstdint>

namespace orvane::bench {

namespace {

Matrix4 rotationAbout(int axis, float degrees) {
    const float radians = degrees * 3.14159265f / 180.0f;
    const float c = std::cos(radians);
    const float s = std::sin(radians);
    const int a = (axis + 1) % 3;
    const int b = (axis + 2) % 3;
    Matrix4 m;
    identityMatrix(m);
    m.at(a, a) = c;
    m.at(a, b) = -s;
    m.at(b, a) = s;
    m.at(b, b) = c;
    return m;
}

}  // namespace

// Rotations about x, then y, then z, then the shift.
Matrix4 fmrMmToVmrMm(const FmrGeometry& fmr) {
    Matrix4 zy;
    multiply(rotationAbout(2, fmr.degrees[2]), rotationAbout(1, fmr.degrees[1]), zy);
    Matrix4 rotation;
    multiply(zy, rotationAbout(0, fmr.degrees[0]), rotation);
    rotation.at(0, 3) = fmr.shiftMm[0];
    rotation.at(1, 3) = fmr.shiftMm[1];
    rotation.at(2, 3) = fmr.shiftMm[2];
    return rotation;
}

namespace {

// A smooth bright ellipsoid filling about half of each axis, dark outside, with a little
// deterministic texture.
double phantom(const GridSize& size, std::int32_t x, std::int32_t y, std::int32_t z) {
    const double u = (x - 0.5 * size.x) / (0.4 * size.x);
    const double v = (y - 0.5 * size.y) / (0.45 * size.y);
    const double w = (z - 0.5 * size.z) / (0.4 * size.z);
    const double r2 = u * u + v * v + w * w;
    const double texture = 0.5 + 0.5 * std::sin(0.7 * x + 1.3 * y + 0.9 * z);
    return r2 < 1.0 ? 0.35 + 0.65 * texture * (1.0 - 0.5 * r2) : 0.05 * texture;
}

}  // namespace

std::vector<Scenario> scenarios() {
    const FmrGeometry fmr1{{64, 64, 30}, {3.0f, 3.0f, 3.5f}, {12.0f, -8.0f, 6.0f}, {4.0f, -10.0f, 6.0f}};
    const FmrGeometry fmr2{{80, 80, 36}, {2.5f, 2.5f, 3.0f}, {-5.0f, 10.0f, -15.0f}, {-3.0f, 7.0f, -4.0f}};
    return {{"vmr256", {256, 256, 256}, fmr1, fmr2}, {"vmr176x208x176", {176, 208, 176}, fmr1, fmr2}};
}

Matrix4 vmrVoxelToFmrVoxel(const FmrGeometry& fmr) {
    Matrix4 fmrScaling;
    scalingMatrix(fmrScaling, 1.0f / fmr.voxelSizeMm[0], 1.0f / fmr.voxelSizeMm[1], 1.0f / fmr.voxelSizeMm[2]);
    Matrix4 vmrMmToFmrMm;
    rigidInverse(fmrMmToVmrMm(fmr), vmrMmToFmrMm);
    // VMR voxels are 1 mm, so the VMR scaling is the identity and left out.
    Matrix4 result;
    multiply(fmrScaling, vmrMmToFmrMm, result);
    return result;
}

Matrix4 fmrVoxelToVmrVoxel(const FmrGeometry& fmr) {
    Matrix4 fmrScaling;
    scalingMatrix(fmrScaling, fmr.voxelSizeMm[0], fmr.voxelSizeMm[1], fmr.voxelSizeMm[2]);
    Matrix4 result;
    multiply(fmrMmToVmrMm(fmr), fmrScaling, result);
    return result;
}

std::vector<float> phantomFmr(const GridSize& size) {
    std::vector<float> voxels;
    voxels.reserve(*checkedVoxelCount(size, sizeof(float)));
    for (std::int32_t z = 0; z < size.z; ++z) {
        for (std::int32_t y = 0; y < size.y; ++y) {
            for (std::int32_t x = 0; x < size.x; ++x) {
                voxels.push_back(static_cast<float>(225.0 * phantom(size, x, y, z)));
            }
        }
    }
    return voxels;
}

std::vector<unsigned char> phantomVmr(const GridSize& size) {
    std::vector<unsigned char> voxels;
    voxels.reserve(*checkedVoxelCount(size, 1));
    for (std::int32_t z = 0; z < size.z; ++z) {
        for (std::int32_t y = 0; y < size.y; ++y) {
            for (std::int32_t x = 0; x < size.x; ++x) {
                voxels.push_back(static_cast<unsigned char>(255.0 * phantom(size, x, y, z)));
            }
        }
    }
    return voxels;
}

double voxelCount(const GridSize& size) {
    return static_cast<double>(size.x) * static_cast<double>(size.y) * static_cast<double>(size.z);
}

namespace {

std::string gridKey(const GridSize& s) {
    return std::to_string(s.x) + "x" + std::to_string(s.y) + "x" + std::to_string(s.z);
}

}  // namespace

const std::vector<unsigned char>& Phantoms::vmr(const GridSize& size) {
    std::vector<unsigned char>& v = vmrs_[gridKey(size)];
    if (v.empty()) {
        v = phantomVmr(size);
    }
    return v;
}

const std::vector<float>& Phantoms::fmr(const GridSize& size) {
    std::vector<float>& v = fmrs_[gridKey(size)];
    if (v.empty()) {
        v = phantomFmr(size);
    }
    return v;
}

namespace {

std::string gridJson(const GridSize& g) {
    return "[" + std::to_string(g.x) + ", " + std::to_string(g.y) + ", " + std::to_string(g.z) + "]";
}

std::string matrixJson(const Matrix4& m) {
    std::string text = "[";
    for (int i = 0; i < 16; ++i) {
        char number[32];
        // Nine significant digits bring a float back exactly.
        std::snprintf(number, sizeof number, "%.9g", static_cast<double>(m.m[i]));
        text += (i ? ", " : "") + std::string(number);
    }
    return text + "]";
}

std::string fmrJson(const FmrGeometry& fmr) {
    return "{\"size\": " + gridJson(fmr.size) + ", \"vmrVoxelToFmrVoxel\": " + matrixJson(vmrVoxelToFmrVoxel(fmr)) +
           ", \"fmrVoxelToVmrVoxel\": " + matrixJson(fmrVoxelToVmrVoxel(fmr)) + "}";
}

}  // namespace

std::string scenariosAsJson() {
    std::string text = "[\n";
    const std::vector<Scenario> all = scenarios();
    for (std::size_t i = 0; i < all.size(); ++i) {
        const Scenario& s = all[i];
        text += "  {\"name\": \"" + s.name + "\", \"vmr\": " + gridJson(s.vmr) + ",\n   \"fmr1\": " + fmrJson(s.fmr1) +
                ",\n   \"fmr2\": " + fmrJson(s.fmr2) + "}" + (i + 1 < all.size() ? ",\n" : "\n");
    }
    return text + "]\n";
}

}  // namespace orvane::bench
