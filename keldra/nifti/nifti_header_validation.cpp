// The header checks, on the raw bytes in either byte order.
#include "keldra/nifti/nifti_header_validation.h"

#include "keldra/nifti/byte_count.h"

#include <nifti2_io.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <sstream>

namespace orvane::keldra {

namespace {

static_assert(sizeof(nifti_1_header) == kNifti1HeaderSize, "NIfTI-1 header layout");
static_assert(sizeof(nifti_2_header) == kNifti2HeaderSize, "NIfTI-2 header layout");

// Where the fields live in each version, and how wide they are.
struct Layout {
    std::size_t datatype, bitpix, dim, pixdim, voxOffset, slope, intercept, qformCode, sformCode, quaternion, srow;
    std::size_t dimWidth;   // 2 (short) or 8 (int64)
    std::size_t realWidth;  // 4 (float) or 8 (double)
    std::size_t codeWidth;  // 2 (short) or 4 (int32)
};

constexpr Layout kNifti1Layout{offsetof(nifti_1_header, datatype),   offsetof(nifti_1_header, bitpix),
                               offsetof(nifti_1_header, dim),        offsetof(nifti_1_header, pixdim),
                               offsetof(nifti_1_header, vox_offset), offsetof(nifti_1_header, scl_slope),
                               offsetof(nifti_1_header, scl_inter),  offsetof(nifti_1_header, qform_code),
                               offsetof(nifti_1_header, sform_code), offsetof(nifti_1_header, quatern_b),
                               offsetof(nifti_1_header, srow_x),     2,
                               4,                                    2};
constexpr Layout kNifti2Layout{offsetof(nifti_2_header, datatype),   offsetof(nifti_2_header, bitpix),
                               offsetof(nifti_2_header, dim),        offsetof(nifti_2_header, pixdim),
                               offsetof(nifti_2_header, vox_offset), offsetof(nifti_2_header, scl_slope),
                               offsetof(nifti_2_header, scl_inter),  offsetof(nifti_2_header, qform_code),
                               offsetof(nifti_2_header, sform_code), offsetof(nifti_2_header, quatern_b),
                               offsetof(nifti_2_header, srow_x),     8,
                               8,                                    4};

// Reads fields of the header in its own byte order.
class HeaderReader {
public:
    HeaderReader(const unsigned char* bytes, bool swapped, const Layout& layout)
        : bytes_(bytes), swapped_(swapped), layout_(layout) {}

    template <typename T>
    T raw(std::size_t offset) const {
        unsigned char copy[sizeof(T)];
        std::memcpy(copy, bytes_ + offset, sizeof(T));
        if (swapped_) {
            std::reverse(copy, copy + sizeof(T));
        }
        T value;
        std::memcpy(&value, copy, sizeof(T));
        return value;
    }
    std::int64_t integer(std::size_t offset, std::size_t width) const {
        switch (width) {
            case 2: return raw<std::int16_t>(offset);
            case 4: return raw<std::int32_t>(offset);
            default: return raw<std::int64_t>(offset);
        }
    }
    double real(std::size_t offset) const {
        return layout_.realWidth == 4 ? static_cast<double>(raw<float>(offset)) : raw<double>(offset);
    }
    std::int64_t dim(int i) const { return integer(layout_.dim + layout_.dimWidth * i, layout_.dimWidth); }
    double pixdim(int i) const { return real(layout_.pixdim + layout_.realWidth * i); }
    std::int64_t code(std::size_t offset) const { return integer(offset, layout_.codeWidth); }
    // Element i of the quaternion fields b, c, d, qoffset_x, qoffset_y, qoffset_z.
    double quaternion(int i) const { return real(layout_.quaternion + layout_.realWidth * i); }
    double srow(int row, int column) const { return real(layout_.srow + layout_.realWidth * (4 * row + column)); }

private:
    const unsigned char* bytes_;
    bool swapped_;
    const Layout& layout_;
};

std::string number(double value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

// Bytes per voxel of the data types keldra opens, 0 for the others.
int supportedBytesPerVoxel(std::int64_t datatype) {
    switch (datatype) {
        case DT_UINT8:
        case DT_INT8: return 1;
        case DT_INT16:
        case DT_UINT16: return 2;
        case DT_INT32:
        case DT_UINT32:
        case DT_FLOAT32: return 4;
        case DT_INT64:
        case DT_UINT64:
        case DT_FLOAT64: return 8;
        default: return 0;
    }
}

bool checkDimensions(const HeaderReader& h, const NiftiHeaderRules& rules, NiftiHeaderFacts& f, std::string& error) {
    std::int64_t count = h.dim(0);
    if (count < 1 || count > 7) {
        error = "has dim[0] = " + std::to_string(count) + "; the number of dimensions must be 1 to 7";
        return false;
    }
    f.dimensions = static_cast<int>(count);
    for (int i = 1; i <= f.dimensions; ++i) {
        std::int64_t d = h.dim(i);
        if (d < 1) {
            error = "has dim[" + std::to_string(i) + "] = " + std::to_string(d) +
                      "; every used dimension must be at least 1";
            return false;
        }
        f.dim[i] = d;
    }
    for (int i = 5; i <= f.dimensions; ++i) {
        if (f.dim[i] > 1) {
            error = "has more than four dimensions (dim[" + std::to_string(i) + "] = " + std::to_string(f.dim[i]) +
                      ")";
            return false;
        }
    }
    std::uint64_t voxels = 1;
    for (int i = 1; i <= 4; ++i) {
        if (__builtin_mul_overflow(voxels, static_cast<std::uint64_t>(f.dim[i]), &voxels)) {
            error = "declares more voxels than can be counted (its dimensions multiply beyond 2^64)";
            return false;
        }
    }
    f.voxels = voxels;
    if (__builtin_mul_overflow(voxels, static_cast<std::uint64_t>(f.bytesPerVoxel), &f.dataBytes)) {
        error = "declares more than 2^64 bytes of image data";
        return false;
    }
    if (f.dataBytes > rules.maxImageBytes) {
        error = "declares " + byteCountText(f.dataBytes) + " of image data, more than the limit of " +
                  byteCountText(rules.maxImageBytes) + " (--max-image-size changes it)";
        return false;
    }
    // The host and the module count a volume's voxels in 32-bit integers.
    const std::uint64_t perVolume = voxels / static_cast<std::uint64_t>(f.dim[4]);
    const std::uint64_t hostLimit = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
    if (perVolume > hostLimit || static_cast<std::uint64_t>(f.dim[4]) > hostLimit) {
        error = "has " + std::to_string(perVolume) + " voxels per volume and " + std::to_string(f.dim[4]) +
                  " volumes; the host holds at most " + std::to_string(hostLimit) + " of each";
        return false;
    }
    return true;
}

bool checkDataType(const HeaderReader& h, const Layout& layout, NiftiHeaderFacts& f, std::string& error) {
    std::int64_t datatype = h.integer(layout.datatype, 2);
    f.bytesPerVoxel = supportedBytesPerVoxel(datatype);
    if (f.bytesPerVoxel == 0) {
        if (nifti_datatype_is_valid(static_cast<int>(datatype), 1)) {
            error = std::string("holds ") + nifti_datatype_string(static_cast<int>(datatype)) +
                      " data, which keldra cannot open (it opens integer and real data only)";
        } else {
            error = "has data type code " + std::to_string(datatype) + ", which is not a NIfTI data type";
        }
        return false;
    }
    f.datatype = static_cast<int>(datatype);
    std::int64_t bitpix = h.integer(layout.bitpix, 2);
    if (bitpix != 8 * f.bytesPerVoxel) {
        error = "has bitpix " + std::to_string(bitpix) + ", but its data type " +
                  nifti_datatype_string(f.datatype) + " has " + std::to_string(8 * f.bytesPerVoxel) + " bits per voxel";
        return false;
    }
    return true;
}

bool checkDataPlacement(const HeaderReader& h, const Layout& layout, const NiftiHeaderRules& rules,
                        NiftiHeaderFacts& f, std::string& error) {
    double offset = f.version == 1 ? h.real(layout.voxOffset) : static_cast<double>(h.raw<std::int64_t>(layout.voxOffset));
    if (!std::isfinite(offset) || offset != std::floor(offset)) {
        error = "has vox_offset " + number(offset) + "; the data must start at a whole byte";
        return false;
    }
    if (offset < static_cast<double>(f.headerSize)) {
        error = "has vox_offset " + number(offset) + ", inside its own " + std::to_string(f.headerSize) +
                  "-byte header";
        return false;
    }
    // Header extensions lie between the header and the data; they are skipped, so their size
    // is bounded only to keep a hostile file from making keldra read without end.
    if (offset - static_cast<double>(f.headerSize) > static_cast<double>(kLargestHeaderExtensions)) {
        error = "has vox_offset " + number(offset) + ", which leaves more than " +
                  byteCountText(kLargestHeaderExtensions) + " for header extensions";
        return false;
    }
    f.dataOffset = static_cast<std::uint64_t>(offset);
    if (rules.fileSize && (*rules.fileSize < f.dataOffset || *rules.fileSize - f.dataOffset < f.dataBytes)) {
        error = "is truncated: its header declares " + std::to_string(f.dataBytes) + " bytes of image data from byte " +
                  std::to_string(f.dataOffset) + ", but the file has only " + std::to_string(*rules.fileSize) + " bytes";
        return false;
    }
    return true;
}

bool checkSpacingAndScaling(const HeaderReader& h, const Layout& layout, NiftiHeaderFacts& f, std::string& error) {
    for (int i = 0; i < 8; ++i) {
        f.pixdim[i] = h.pixdim(i);
    }
    for (int i = 1; i <= std::max(f.dimensions, 3); ++i) {
        double spacing = h.pixdim(i);
        // The time step (axis 4) places nothing in space: a file whose time step is 0 or unusable
        // is read, and the host warns about it (workspace_loader.h).
        bool used = i <= f.dimensions && i != 4;
        if (used && (!std::isfinite(spacing) || spacing == 0)) {
            error = "has pixdim[" + std::to_string(i) + "] = " + number(spacing) +
                      "; the spacing of every used axis must be finite and non-zero";
            return false;
        }
        // Axes 1 to 3 are the voxel size, which the host uses even for a single slice.
        if (i <= 3 && !(std::fabs(spacing) >= kSmallestVoxelSize && std::fabs(spacing) <= kLargestVoxelSize)) {
            error = "has a voxel size of " + number(spacing) + " mm along axis " + std::to_string(i) +
                      " (pixdim[" + std::to_string(i) + "]), outside the plausible " + number(kSmallestVoxelSize) +
                      " to " + number(kLargestVoxelSize) + " mm";
            return false;
        }
    }
    double slope = h.real(layout.slope);
    double intercept = h.real(layout.intercept);
    if (!std::isfinite(slope) || !std::isfinite(intercept)) {
        error = "has a non-finite scaling (slope " + number(slope) + ", intercept " + number(intercept) + ")";
        return false;
    }
    return true;
}

bool checkTransforms(const HeaderReader& h, const Layout& layout, std::string& error) {
    if (h.code(layout.sformCode) > 0) {
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 4; ++c) {
                double v = h.srow(r, c);
                if (!(std::fabs(v) <= kLargestWorldCoordinate)) {
                    error = "has an sform element of " + number(v) + " (row " + std::to_string(r + 1) + ", column " +
                              std::to_string(c + 1) + "), which is not a usable position in millimetres";
                    return false;
                }
            }
        }
    }
    if (h.code(layout.qformCode) > 0) {
        double b = h.quaternion(0), c = h.quaternion(1), d = h.quaternion(2);
        for (int i = 0; i < 6; ++i) {
            double v = h.quaternion(i);
            if (!(std::fabs(v) <= (i < 3 ? 1.0 + 1e-6 : kLargestWorldCoordinate))) {
                error = "has a qform with an unusable " + std::string(i < 3 ? "quaternion" : "offset") + " value " +
                          number(v);
                return false;
            }
        }
        // The rotation's fourth quaternion component is sqrt(1 - b^2 - c^2 - d^2); a longer
        // (b, c, d) describes no rotation and would be quietly rescaled by the library.
        double squared = b * b + c * c + d * d;
        if (squared > 1.0 + 1e-5) {
            error = "has a qform whose quaternion (b, c, d) is longer than 1 (length " + number(std::sqrt(squared)) +
                      "), so it describes no rotation";
            return false;
        }
    }
    return true;
}

}  // namespace

std::size_t claimedNiftiHeaderSize(const unsigned char* firstFourBytes) {
    std::int32_t stored;
    std::memcpy(&stored, firstFourBytes, sizeof stored);
    std::uint32_t reversed = __builtin_bswap32(static_cast<std::uint32_t>(stored));
    for (std::int64_t value : {static_cast<std::int64_t>(stored), static_cast<std::int64_t>(reversed)}) {
        if (value == static_cast<std::int64_t>(kNifti1HeaderSize) || value == static_cast<std::int64_t>(kNifti2HeaderSize)) {
            return static_cast<std::size_t>(value);
        }
    }
    return 0;
}

bool validateNiftiHeader(const unsigned char* header, std::size_t size, const NiftiHeaderRules& rules,
                         NiftiHeaderFacts& facts, std::string& error) {
    NiftiHeaderFacts f;
    if (size < 4 || (f.headerSize = claimedNiftiHeaderSize(header)) == 0) {
        error = "is not a NIfTI file (it does not start with a NIfTI-1 or NIfTI-2 header)";
        return false;
    }
    if (size < f.headerSize) {
        error = "is truncated: it ends within its " + std::to_string(f.headerSize) + "-byte header";
        return false;
    }
    std::int32_t stored;
    std::memcpy(&stored, header, sizeof stored);
    f.swapped = stored != static_cast<std::int32_t>(f.headerSize);
    f.version = f.headerSize == kNifti1HeaderSize ? 1 : 2;
    const Layout& layout = f.version == 1 ? kNifti1Layout : kNifti2Layout;

    if (f.version == 1) {
        const char* magic = reinterpret_cast<const char*>(header) + offsetof(nifti_1_header, magic);
        if (std::memcmp(magic, "ni1", 4) == 0) {
            error = "has the header of a two-file image (.hdr and .img); keldra opens single .nii files only";
            return false;
        }
        if (std::memcmp(magic, "n+1", 4) != 0) {
            error = "is not a NIfTI file (its header lacks the NIfTI-1 signature \"n+1\")";
            return false;
        }
    } else {
        static const char kMagic2[8] = {'n', '+', '2', '\0', '\r', '\n', '\032', '\n'};
        const char* magic = reinterpret_cast<const char*>(header) + offsetof(nifti_2_header, magic);
        if (std::memcmp(magic, "ni2", 4) == 0) {
            error = "has the header of a two-file image (.hdr and .img); keldra opens single .nii files only";
            return false;
        }
        if (std::memcmp(magic, kMagic2, sizeof kMagic2) != 0) {
            error = "is not a NIfTI file (its header lacks the NIfTI-2 signature, or it was damaged in transfer)";
            return false;
        }
    }

    HeaderReader h(header, f.swapped, layout);
    if (!checkDataType(h, layout, f, error) || !checkDimensions(h, rules, f, error) ||
        !checkDataPlacement(h, layout, rules, f, error) || !checkSpacingAndScaling(h, layout, f, error) ||
        !checkTransforms(h, layout, error)) {
        return false;
    }
    facts = f;
    return true;
}

}  // namespace orvane::keldra
