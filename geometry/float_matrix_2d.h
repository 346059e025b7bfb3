// A dense matrix of single-precision floats of any size, the working type of the singular
// value decomposition and the general inversion. It owns its storage and knows its size, so
// callers never pass dimensions alongside it and nothing has to be released by hand.
#pragma once

#include <cstddef>
#include <vector>

namespace orvane {

class FloatMatrix2D {
public:
    FloatMatrix2D() = default;

    // rows x columns elements, all 0. A negative count gives an empty dimension.
    // Throws std::bad_alloc when the storage cannot be had.
    FloatMatrix2D(int rows, int columns)
        : rows_(rows > 0 ? rows : 0),
          columns_(columns > 0 ? columns : 0),
          elements_(static_cast<std::size_t>(rows_) * static_cast<std::size_t>(columns_), 0.0f) {}

    int rows() const { return rows_; }
    int columns() const { return columns_; }

    // Row r as a pointer to its columns() floats, so element [r][c] reads as m[r][c].
    float* operator[](int row) { return elements_.data() + static_cast<std::size_t>(row) * columns_; }
    const float* operator[](int row) const {
        return elements_.data() + static_cast<std::size_t>(row) * columns_;
    }

private:
    int rows_ = 0;
    int columns_ = 0;
    std::vector<float> elements_;  // row by row
};

}  // namespace orvane
