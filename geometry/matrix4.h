// The matrix kit: 4x4 single-precision matrices acting on homogeneous column vectors.
// Element [r][c] is stored at 4r + c, the layout the host uses for the matrices it returns.
// Every sum is evaluated in single precision from the lowest index upward, without fused
// multiply-add, so results are reproducible to the last bit.
#pragma once

#include <string>

namespace orvane {

struct Matrix4 {
    float m[16];

    float& at(int row, int column) { return m[4 * row + column]; }
    float at(int row, int column) const { return m[4 * row + column]; }
};

struct Vector4 {
    float x;
    float y;
    float z;
    float w;
};

void identityMatrix(Matrix4& m);
void scalingMatrix(Matrix4& m, float a, float b, float c);
void copyMatrix(const Matrix4& source, Matrix4& destination);
void transposeMatrix(const Matrix4& source, Matrix4& destination);

namespace matrix_detail {

// Row r of a times column c of b, summed from the lowest index upward.
inline float rowTimesColumn(const Matrix4& a, const Matrix4& b, int r, int c) {
    float sum = a.m[4 * r + 0] * b.m[0 + c];
    sum = sum + a.m[4 * r + 1] * b.m[4 + c];
    sum = sum + a.m[4 * r + 2] * b.m[8 + c];
    sum = sum + a.m[4 * r + 3] * b.m[12 + c];
    return sum;
}

// Row r of m times the column vector (x, y, z, w).
inline float rowTimesVector(const Matrix4& m, int r, const Vector4& v) {
    float sum = m.m[4 * r + 0] * v.x;
    sum = sum + m.m[4 * r + 1] * v.y;
    sum = sum + m.m[4 * r + 2] * v.z;
    sum = sum + m.m[4 * r + 3] * v.w;
    return sum;
}

}  // namespace matrix_detail

// dst = a x b. dst must be a third matrix: it is written while a and b are read.
// Called once per voxel, hence straight-line code over fixed indices.
inline Matrix4& multiply(const Matrix4& a, const Matrix4& b, Matrix4& dst) {
    using matrix_detail::rowTimesColumn;
    dst.m[0] = rowTimesColumn(a, b, 0, 0);
    dst.m[1] = rowTimesColumn(a, b, 0, 1);
    dst.m[2] = rowTimesColumn(a, b, 0, 2);
    dst.m[3] = rowTimesColumn(a, b, 0, 3);
    dst.m[4] = rowTimesColumn(a, b, 1, 0);
    dst.m[5] = rowTimesColumn(a, b, 1, 1);
    dst.m[6] = rowTimesColumn(a, b, 1, 2);
    dst.m[7] = rowTimesColumn(a, b, 1, 3);
    dst.m[8] = rowTimesColumn(a, b, 2, 0);
    dst.m[9] = rowTimesColumn(a, b, 2, 1);
    dst.m[10] = rowTimesColumn(a, b, 2, 2);
    dst.m[11] = rowTimesColumn(a, b, 2, 3);
    dst.m[12] = rowTimesColumn(a, b, 3, 0);
    dst.m[13] = rowTimesColumn(a, b, 3, 1);
    dst.m[14] = rowTimesColumn(a, b, 3, 2);
    dst.m[15] = rowTimesColumn(a, b, 3, 3);
    return dst;
}

// out = m v. out must not be v.
inline void transformPoint(const Matrix4& m, const Vector4& v, Vector4& out) {
    using matrix_detail::rowTimesVector;
    out.x = rowTimesVector(m, 0, v);
    out.y = rowTimesVector(m, 1, v);
    out.z = rowTimesVector(m, 2, v);
    out.w = rowTimesVector(m, 3, v);
}

// Inverse of a rotation-plus-translation matrix as R^T x T; no check that m is rigid.
void rigidInverse(const Matrix4& m, Matrix4& out);

// The matrix as the host's log shows it: the caption, a colon and a blank, then four lines of
// a tab and four tab-separated elements with six decimals.
std::string toText(const Matrix4& m, const std::string& caption);

// |x| through the double-precision absolute value, returned in single precision.
float absoluteValue(float x);

}  // namespace orvane
