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

// dst = a x b. dst must be a third matrix: it is written while a and b are read.
inline Matrix4& multiply(const Matrix4& a, const Matrix4& b, Matrix4& dst) {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            float sum = a.m[4 * r + 0] * b.m[0 + c];
            sum = sum + a.m[4 * r + 1] * b.m[4 + c];
            sum = sum + a.m[4 * r + 2] * b.m[8 + c];
            sum = sum + a.m[4 * r + 3] * b.m[12 + c];
            dst.m[4 * r + c] = sum;
        }
    }
    return dst;
}

// out = m v. out must not be v.
inline void transformPoint(const Matrix4& m, const Vector4& v, Vector4& out) {
    float* o = &out.x;
    for (int r = 0; r < 4; ++r) {
        float sum = m.m[4 * r + 0] * v.x;
        sum = sum + m.m[4 * r + 1] * v.y;
        sum = sum + m.m[4 * r + 2] * v.z;
        sum = sum + m.m[4 * r + 3] * v.w;
        o[r] = sum;
    }
}

// Inverse of a rotation-plus-translation matrix as R^T x T; no check that m is rigid.
void rigidInverse(const Matrix4& m, Matrix4& out);

// The matrix as the host's log shows it: the caption, a colon and a blank, then four lines of
// a tab and four tab-separated elements with six decimals.
std::string toText(const Matrix4& m, const std::string& caption);

// |x| through the double-precision absolute value, returned in single precision.
float absoluteValue(float x);

}  // namespace orvane
