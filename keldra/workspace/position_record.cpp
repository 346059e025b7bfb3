// Writing and reading the host's part of the scanner position record.
#include "keldra/workspace/position_record.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace orvane::keldra {

namespace {

using namespace position_layout;

void putFloat(PositionHeader& r, std::size_t offset, double v) {
    float f = static_cast<float>(v);
    std::memcpy(r.bytes + offset, &f, 4);
}

void putInt(PositionHeader& r, std::size_t offset, std::int32_t v) { std::memcpy(r.bytes + offset, &v, 4); }

float getFloat(const PositionHeader& r, std::size_t offset) {
    float f;
    std::memcpy(&f, r.bytes + offset, 4);
    return f;
}

std::int32_t getInt(const PositionHeader& r, std::size_t offset) {
    std::int32_t v;
    std::memcpy(&v, r.bytes + offset, 4);
    return v;
}

void putVector(PositionHeader& r, std::size_t offset, const Vector3d& v) {
    putFloat(r, offset, v.x);
    putFloat(r, offset + 4, v.y);
    putFloat(r, offset + 8, v.z);
}

Vector3d getVector(const PositionHeader& r, std::size_t offset) {
    return {getFloat(r, offset), getFloat(r, offset + 4), getFloat(r, offset + 8)};
}

Vector3d unit(const Vector3d& v) { return (1.0 / length(v)) * v; }

}  // namespace

void writePositionRecord(const DocumentGeometry& geometry, PositionHeader& record) {
    std::memset(record.bytes, 0, sizeof record.bytes);
    std::memcpy(record.bytes + kTagOffset, kTag, sizeof kTag);
    const Affine& w = geometry.voxelToWorld;
    Vector3d row = unit(w.column(0));
    Vector3d column = unit(w.column(1));
    Vector3d slice = w.column(2);
    putInt(record, kHandednessOffset, dot(cross(row, column), slice) >= 0 ? 1 : -1);
    Vector3d first = sliceCentre(geometry, 0);
    Vector3d last = sliceCentre(geometry, geometry.grid[2] - 1);
    record.setFirstSliceCentre({static_cast<float>(first.x), static_cast<float>(first.y), static_cast<float>(first.z)});
    record.setLastSliceCentre({static_cast<float>(last.x), static_cast<float>(last.y), static_cast<float>(last.z)});
    for (int i = 0; i < 3; ++i) {
        putInt(record, kGridOffset + 4 * i, geometry.grid[i]);
        putFloat(record, kVoxelSizeOffset + 4 * i, geometry.voxelSize[i]);
    }
    putVector(record, kRowDirectionOffset, row);
    putVector(record, kColumnDirectionOffset, column);
}

bool readPositionRecord(const PositionHeader& record, RecordedGrid& grid, std::string& error) {
    if (std::memcmp(record.bytes + kTagOffset, kTag, sizeof kTag) != 0) {
        error = "the position record was not filled by this host";
        return false;
    }
    RecordedGrid g;
    for (int i = 0; i < 3; ++i) {
        g.grid[i] = getInt(record, kGridOffset + 4 * i);
        g.voxelSize[i] = getFloat(record, kVoxelSizeOffset + 4 * i);
        if (g.grid[i] < 1 || !(g.voxelSize[i] > 0) || !std::isfinite(g.voxelSize[i])) {
            error = "the position record holds an invalid grid";
            return false;
        }
    }
    std::int32_t handedness = getInt(record, kHandednessOffset);
    Vector3d row = getVector(record, kRowDirectionOffset);
    Vector3d column = getVector(record, kColumnDirectionOffset);
    if ((handedness != 1 && handedness != -1) || std::fabs(length(row) - 1) > 1e-5 ||
        std::fabs(length(column) - 1) > 1e-5 || std::fabs(dot(row, column)) > 1e-5) {
        error = "the position record holds invalid direction cosines";
        return false;
    }
    // The cosines went through single precision; make them exactly orthonormal again.
    row = unit(row);
    column = unit(column - dot(column, row) * row);
    Vector3d normal = static_cast<double>(handedness) * cross(row, column);

    Point3 first = record.firstSliceCentre();
    Point3 last = record.lastSliceCentre();
    Vector3d firstCentre{first.x, first.y, first.z};
    Vector3d lastCentre{last.x, last.y, last.z};
    Affine& w = g.voxelToWorld;
    w = Affine::identity();
    w.setColumn(0, static_cast<double>(g.voxelSize[0]) * row);
    w.setColumn(1, static_cast<double>(g.voxelSize[1]) * column);
    w.setColumn(2, static_cast<double>(g.voxelSize[2]) * normal);
    Vector3d origin = firstCentre - ((g.grid[0] - 1) / 2.0) * w.column(0) - ((g.grid[1] - 1) / 2.0) * w.column(1);
    w.m[0][3] = origin.x;
    w.m[1][3] = origin.y;
    w.m[2][3] = origin.z;

    // The last slice centre is redundant; a record whose centres contradict its own grid has
    // been altered or mixed up, and the alignment computed from it would be wrong.
    Vector3d expectedLast = w.apply({(g.grid[0] - 1) / 2.0, (g.grid[1] - 1) / 2.0, g.grid[2] - 1.0});
    // Allowed: single-precision rounding of the centres, and the small difference between the
    // voxel sizes and the transform's own scale that adopting a transform tolerates.
    double tolerance = 1e-5 * std::fmax(1.0, length(firstCentre) + length(lastCentre)) +
                       2 * kVoxelSizeTolerance * g.voxelSize[2] * g.grid[2];
    if (length(expectedLast - lastCentre) > tolerance) {
        error = "the position record's slice centres contradict its grid";
        return false;
    }
    grid = g;
    return true;
}

}  // namespace orvane::keldra
