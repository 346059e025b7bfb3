// The matrix kit's out-of-line operations.
#include "geometry/matrix4.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace orvane {

void identityMatrix(Matrix4& m) {
    for (int i = 0; i < 16; ++i) {
        m.m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
    }
}

void scalingMatrix(Matrix4& m, float a, float b, float c) {
    for (float& e : m.m) {
        e = 0.0f;
    }
    m.m[0] = a;
    m.m[5] = b;
    m.m[10] = c;
    m.m[15] = 1.0f;
}

void copyMatrix(const Matrix4& source, Matrix4& destination) {
    for (int i = 0; i < 16; ++i) {
        destination.m[i] = source.m[i];
    }
}

void transposeMatrix(const Matrix4& source, Matrix4& destination) {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            destination.m[4 * r + c] = source.m[4 * c + r];
        }
    }
}

void rigidInverse(const Matrix4& m, Matrix4& out) {
    Matrix4 translation;
    identityMatrix(translation);
    translation.m[3] = -m.m[3];
    translation.m[7] = -m.m[7];
    translation.m[11] = -m.m[11];

    Matrix4 rotation;
    copyMatrix(m, rotation);
    rotation.m[3] = 0.0f;
    rotation.m[7] = 0.0f;
    rotation.m[11] = 0.0f;

    Matrix4 rotationTransposed;
    transposeMatrix(rotation, rotationTransposed);
    multiply(rotationTransposed, translation, out);
}

std::string toText(const Matrix4& m, const std::string& caption) {
    static const char kPattern[] =
        "%s: \n\t%f\t%f\t%f\t%f\n\t%f\t%f\t%f\t%f\n\t%f\t%f\t%f\t%f\n\t%f\t%f\t%f\t%f\n";
    auto format = [&](char* buffer, std::size_t size) {
        return std::snprintf(buffer, size, kPattern, caption.c_str(), double(m.m[0]), double(m.m[1]),
                             double(m.m[2]), double(m.m[3]), double(m.m[4]), double(m.m[5]), double(m.m[6]),
                             double(m.m[7]), double(m.m[8]), double(m.m[9]), double(m.m[10]), double(m.m[11]),
                             double(m.m[12]), double(m.m[13]), double(m.m[14]), double(m.m[15]));
    };
    // Sized by a first formatting pass, so huge elements cannot overflow anything.
    int length = format(nullptr, 0);
    if (length < 0) {
        return caption + ": \n";
    }
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
    format(buffer.data(), buffer.size());
    return std::string(buffer.data(), static_cast<std::size_t>(length));
}

float absoluteValue(float x) { return static_cast<float>(std::fabs(static_cast<double>(x))); }

}  // namespace orvane
