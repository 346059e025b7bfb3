// Generating the broken NIfTI files.
#include "tests/data/malformed_nifti.h"

#include <nifti2_io.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace orvane::keldra::testing {

namespace {

class HeaderWriter {
public:
    HeaderWriter(std::vector<unsigned char>& bytes, bool bigEndian) : bytes_(bytes), bigEndian_(bigEndian) {}

    template <typename T>
    void put(std::size_t offset, T value) {
        unsigned char copy[sizeof(T)];
        std::memcpy(copy, &value, sizeof(T));
        if (bigEndian_) {
            std::reverse(copy, copy + sizeof(T));
        }
        std::memcpy(bytes_.data() + offset, copy, sizeof(T));
    }

private:
    std::vector<unsigned char>& bytes_;
    bool bigEndian_;
};

int bytesPerVoxel(int datatype) {
    int size = 0, swap = 0;
    nifti_datatype_sizes(datatype, &size, &swap);
    return size;
}

std::vector<unsigned char> sampleData(const NiftiBlueprint& b) {
    std::uint64_t voxels = 1;
    for (int i = 1; i <= std::min<std::int64_t>(b.dim[0], 7); ++i) {
        if (b.dim[i] < 1 || voxels > (1u << 20)) {
            return {};
        }
        voxels *= static_cast<std::uint64_t>(b.dim[i]);
    }
    int size = bytesPerVoxel(b.datatype);
    if (size == 0 || voxels > (1u << 20)) {
        return {};
    }
    std::vector<unsigned char> data(voxels * static_cast<std::uint64_t>(size), 0);
    for (std::uint64_t i = 0; i < voxels; ++i) {
        double v = static_cast<double>(i % 50);
        unsigned char* p = data.data() + i * static_cast<std::uint64_t>(size);
        switch (b.datatype) {
            case DT_INT16: { std::int16_t x = static_cast<std::int16_t>(v); std::memcpy(p, &x, 2); break; }
            case DT_UINT8: p[0] = static_cast<unsigned char>(v); break;
            case DT_FLOAT32: { float x = static_cast<float>(v); std::memcpy(p, &x, 4); break; }
            case DT_FLOAT64: { std::memcpy(p, &v, 8); break; }
            default: p[0] = static_cast<unsigned char>(v); break;
        }
        if (b.bigEndian && size > 1) {
            std::reverse(p, p + size);
        }
    }
    return data;
}

NiftiBlueprint nifti2() {
    NiftiBlueprint b;
    b.version = 2;
    return b;
}

std::vector<unsigned char> damaged(std::vector<unsigned char> bytes, std::size_t offset, unsigned char value) {
    bytes.at(offset) = value;
    return bytes;
}

std::vector<unsigned char> cut(const std::vector<unsigned char>& bytes, std::size_t size) {
    return {bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min(size, bytes.size()))};
}

std::vector<unsigned char> text(const std::string& s) { return {s.begin(), s.end()}; }

// One 16-byte header extension that claims to be `declaredSize` bytes long.
void addExtension(std::vector<unsigned char>& extensions, std::int32_t declaredSize, std::int32_t code) {
    std::size_t at = extensions.size();
    extensions.resize(at + 16, 'x');
    std::memcpy(extensions.data() + at, &declaredSize, 4);
    std::memcpy(extensions.data() + at + 4, &code, 4);
}

}  // namespace

std::vector<unsigned char> niftiBytes(const NiftiBlueprint& b) {
    const bool one = b.version == 1;
    const std::size_t headerSize = one ? 348 : 540;
    std::vector<unsigned char> bytes(headerSize + 4, 0);
    HeaderWriter w(bytes, b.bigEndian);
    std::vector<unsigned char> data = b.data.empty() ? sampleData(b) : b.data;
    double voxOffset = b.voxOffset != -1 ? b.voxOffset : static_cast<double>(headerSize + 4 + b.extensions.size());
    if (!b.extensions.empty()) {
        bytes[headerSize] = 1;
    }
    if (one) {
        w.put<std::int32_t>(offsetof(nifti_1_header, sizeof_hdr), 348);
        for (int i = 0; i < 8; ++i) {
            w.put<std::int16_t>(offsetof(nifti_1_header, dim) + 2 * i, static_cast<std::int16_t>(b.dim[i]));
            w.put<float>(offsetof(nifti_1_header, pixdim) + 4 * i, static_cast<float>(b.pixdim[i]));
        }
        w.put<std::int16_t>(offsetof(nifti_1_header, datatype), static_cast<std::int16_t>(b.datatype));
        w.put<std::int16_t>(offsetof(nifti_1_header, bitpix), static_cast<std::int16_t>(b.bitpix));
        w.put<float>(offsetof(nifti_1_header, vox_offset), static_cast<float>(voxOffset));
        w.put<float>(offsetof(nifti_1_header, scl_slope), static_cast<float>(b.slope));
        w.put<float>(offsetof(nifti_1_header, scl_inter), static_cast<float>(b.intercept));
        w.put<std::int16_t>(offsetof(nifti_1_header, qform_code), static_cast<std::int16_t>(b.qformCode));
        w.put<std::int16_t>(offsetof(nifti_1_header, sform_code), static_cast<std::int16_t>(b.sformCode));
        for (int i = 0; i < 6; ++i) {
            w.put<float>(offsetof(nifti_1_header, quatern_b) + 4 * i, static_cast<float>(b.quaternion[i]));
        }
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 4; ++c) {
                w.put<float>(offsetof(nifti_1_header, srow_x) + 16 * r + 4 * c, static_cast<float>(b.srow[r][c]));
            }
        }
        w.put<std::int16_t>(offsetof(nifti_1_header, xyzt_units) - 1, 0);  // slice_end, slice_code
        bytes[offsetof(nifti_1_header, xyzt_units)] = NIFTI_UNITS_MM;
        std::string magic = b.magic.empty() ? std::string("n+1", 4) : b.magic;
        std::memcpy(bytes.data() + offsetof(nifti_1_header, magic), magic.data(), std::min<std::size_t>(magic.size(), 4));
    } else {
        w.put<std::int32_t>(offsetof(nifti_2_header, sizeof_hdr), 540);
        for (int i = 0; i < 8; ++i) {
            w.put<std::int64_t>(offsetof(nifti_2_header, dim) + 8 * i, b.dim[i]);
            w.put<double>(offsetof(nifti_2_header, pixdim) + 8 * i, b.pixdim[i]);
        }
        w.put<std::int16_t>(offsetof(nifti_2_header, datatype), static_cast<std::int16_t>(b.datatype));
        w.put<std::int16_t>(offsetof(nifti_2_header, bitpix), static_cast<std::int16_t>(b.bitpix));
        w.put<std::int64_t>(offsetof(nifti_2_header, vox_offset), static_cast<std::int64_t>(voxOffset));
        w.put<double>(offsetof(nifti_2_header, scl_slope), b.slope);
        w.put<double>(offsetof(nifti_2_header, scl_inter), b.intercept);
        w.put<std::int32_t>(offsetof(nifti_2_header, qform_code), b.qformCode);
        w.put<std::int32_t>(offsetof(nifti_2_header, sform_code), b.sformCode);
        for (int i = 0; i < 6; ++i) {
            w.put<double>(offsetof(nifti_2_header, quatern_b) + 8 * i, b.quaternion[i]);
        }
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 4; ++c) {
                w.put<double>(offsetof(nifti_2_header, srow_x) + 32 * r + 8 * c, b.srow[r][c]);
            }
        }
        w.put<std::int32_t>(offsetof(nifti_2_header, xyzt_units), NIFTI_UNITS_MM);
        std::string magic = b.magic.empty() ? std::string("n+2\0\r\n\032\n", 8) : b.magic;
        std::memcpy(bytes.data() + offsetof(nifti_2_header, magic), magic.data(), std::min<std::size_t>(magic.size(), 8));
    }
    bytes.insert(bytes.end(), b.extensions.begin(), b.extensions.end());
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

std::vector<unsigned char> gzipBytes(const std::vector<unsigned char>& bytes) {
    z_stream s{};
    if (deflateInit2(&s, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 9, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2 failed");
    }
    std::vector<unsigned char> out(deflateBound(&s, static_cast<uLong>(bytes.size())) + 64);
    s.next_in = const_cast<unsigned char*>(bytes.data());
    s.avail_in = static_cast<uInt>(bytes.size());
    s.next_out = out.data();
    s.avail_out = static_cast<uInt>(out.size());
    int status = deflate(&s, Z_FINISH);
    out.resize(s.total_out);
    deflateEnd(&s);
    if (status != Z_STREAM_END) {
        throw std::runtime_error("deflate failed");
    }
    return out;
}

std::vector<MalformedFile> malformedNiftiFiles() {
    std::vector<MalformedFile> files;
    auto add = [&files](const std::string& name, std::vector<unsigned char> bytes, int exitCode,
                        const std::string& message) { files.push_back({name, std::move(bytes), exitCode, message}); };
    auto variant = [](auto change, NiftiBlueprint b = NiftiBlueprint{}) {
        change(b);
        return niftiBytes(b);
    };
    const std::vector<unsigned char> good = niftiBytes(NiftiBlueprint{});
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();

    // Files that are not images at all, or not whole.
    add("empty.nii", {}, 2, "not a NIfTI file");
    add("notes.nii", text("These are notes about the scan, not the scan.\n"), 2, "not a NIfTI file");
    add("cut-in-header.nii", cut(good, 200), 2, "truncated");
    add("cut-in-data.nii", cut(good, good.size() - 7), 2, "truncated");
    add("cut-before-data.nii", cut(good, 351), 2, "truncated");

    // Signatures and the extension of the name.
    add("two-file-header.nii", variant([](NiftiBlueprint& b) { b.magic = std::string("ni1", 4); }), 2, "two-file");
    add("wrong-magic.nii", variant([](NiftiBlueprint& b) { b.magic = std::string("n+3", 4); }), 2, "signature");
    add("compressed-but-named.nii", gzipBytes(good), 2, "gzip-compressed");
    add("plain-but-named.nii.gz", good, 2, "not gzip-compressed");

    // Dimensions.
    add("dim0-zero.nii", variant([](NiftiBlueprint& b) { b.dim[0] = 0; }), 2, "dim[0] = 0");
    add("dim0-eight.nii", variant([](NiftiBlueprint& b) { b.dim[0] = 8; }), 2, "dim[0] = 8");
    add("dim0-negative.nii", variant([](NiftiBlueprint& b) { b.dim[0] = -3; }), 2, "dim[0] = -3");
    add("dim2-zero.nii", variant([](NiftiBlueprint& b) { b.dim[2] = 0; }), 2, "dim[2] = 0");
    add("dim3-negative.nii", variant([](NiftiBlueprint& b) { b.dim[3] = -4; }), 2, "dim[3] = -4");
    add("five-dimensions.nii", variant([](NiftiBlueprint& b) { b.dim[0] = 5; b.dim[5] = 2; }), 2,
        "more than four dimensions");
    add("volume-beyond-int32.nii", variant([](NiftiBlueprint& b) {
            b.dim[1] = b.dim[2] = 32767; b.dim[3] = 3; b.datatype = DT_UINT8; b.bitpix = 8;
        }), 2, "voxels per volume");
    add("over-size-limit.nii", variant([](NiftiBlueprint& b) { b.dim[1] = b.dim[2] = b.dim[3] = 2048; }), 2,
        "limit");

    // Where the data lies.
    add("vox-offset-nan.nii", variant([nan](NiftiBlueprint& b) { b.voxOffset = nan; }), 2, "vox_offset");
    add("vox-offset-fraction.nii", variant([](NiftiBlueprint& b) { b.voxOffset = 352.5; }), 2, "whole byte");
    add("vox-offset-in-header.nii", variant([](NiftiBlueprint& b) { b.voxOffset = 100; }), 2, "inside its own");
    add("vox-offset-negative.nii", variant([](NiftiBlueprint& b) { b.voxOffset = -352; }), 2, "inside its own");
    add("vox-offset-past-end.nii", variant([](NiftiBlueprint& b) { b.voxOffset = 4096; }), 2, "truncated");
    add("vox-offset-huge.nii", variant([](NiftiBlueprint& b) { b.voxOffset = 1e12; }), 2, "header extensions");

    // Data types.
    add("complex.nii", variant([](NiftiBlueprint& b) { b.datatype = DT_COMPLEX64; b.bitpix = 64; }), 2, "COMPLEX64");
    add("rgb.nii", variant([](NiftiBlueprint& b) { b.datatype = DT_RGB24; b.bitpix = 24; }), 2, "RGB24");
    add("datatype-unknown.nii", variant([](NiftiBlueprint& b) { b.datatype = 9999; }), 2, "not a NIfTI data type");
    add("bitpix-disagrees.nii", variant([](NiftiBlueprint& b) { b.bitpix = 32; }), 2, "bitpix 32");

    // Voxel sizes.
    add("pixdim-zero.nii", variant([](NiftiBlueprint& b) { b.pixdim[2] = 0; }), 2, "pixdim[2] = 0");
    add("pixdim-nan.nii", variant([nan](NiftiBlueprint& b) { b.pixdim[1] = nan; }), 2, "pixdim[1] = nan");
    add("pixdim-infinite.nii", variant([inf](NiftiBlueprint& b) { b.pixdim[3] = inf; }), 2, "pixdim[3] = inf");
    // A time step of 0 places nothing wrongly: read, with a warning.
    add("pixdim-time-zero.nii", variant([](NiftiBlueprint& b) { b.dim[0] = 4; b.dim[4] = 2; b.pixdim[4] = 0; }), 0,
        "time step (pixdim[4]) is 0|holds 2 volumes");
    add("pixdim-negative.nii", variant([](NiftiBlueprint& b) { b.pixdim[1] = -2; }), 2, "voxel size along axis 1");
    add("pixdim-tiny.nii", variant([](NiftiBlueprint& b) { b.pixdim[2] = 1e-9; }), 2, "plausible");

    // Transforms.
    add("no-orientation.nii", variant([](NiftiBlueprint& b) { b.sformCode = 0; }), 2, "no orientation");
    add("sform-nan.nii", variant([nan](NiftiBlueprint& b) { b.srow[1][1] = nan; }), 2, "sform element of nan");
    add("sform-huge-offset.nii", variant([](NiftiBlueprint& b) { b.srow[0][3] = 1e20; }), 2, "sform element");
    add("sform-sheared.nii", variant([](NiftiBlueprint& b) { b.srow[0][1] = 0.7; }), 2, "sheared");
    add("sform-stretched.nii", variant([](NiftiBlueprint& b) { b.srow[2][2] = 3; }), 2, "voxel size");
    add("sform-singular.nii", variant([](NiftiBlueprint& b) {
            b.pixdim[1] = b.pixdim[2] = b.pixdim[3] = 1e-5;
            b.srow[0][0] = b.srow[1][1] = 1e-5; b.srow[2][2] = 0;
        }), 2, "singular");
    add("qform-long-quaternion.nii", variant([](NiftiBlueprint& b) {
            b.sformCode = 0; b.qformCode = 1; b.quaternion[0] = 0.8; b.quaternion[1] = 0.8;
        }), 2, "longer than 1");
    add("qform-offset-infinite.nii", variant([inf](NiftiBlueprint& b) {
            b.sformCode = 0; b.qformCode = 1; b.quaternion[4] = inf;
        }), 2, "qform");

    // Scaling.
    add("slope-nan.nii", variant([nan](NiftiBlueprint& b) { b.slope = nan; }), 2, "non-finite scaling");
    add("intercept-infinite.nii", variant([inf](NiftiBlueprint& b) { b.slope = 1; b.intercept = -inf; }), 2,
        "non-finite scaling");

    // Damaged and hostile compressed files.
    const std::vector<unsigned char> packed = gzipBytes(good);
    add("cut-compressed.nii.gz", cut(packed, packed.size() / 2), 2, "truncated");
    add("check-sum-damaged.nii.gz", damaged(packed, packed.size() - 6, packed[packed.size() - 6] ^ 0x5a), 2,
        "damaged");
    add("gzip-header-damaged.nii.gz", damaged(packed, 0, 0x00), 2, "not gzip-compressed");
    add("deflate-damaged.nii.gz", damaged(packed, 12, packed[12] ^ 0xff), 2, "damaged|truncated");
    add("bomb-declares-16gib.nii.gz", gzipBytes(variant([](NiftiBlueprint& b) {
            b.dim[1] = b.dim[2] = b.dim[3] = 2048; b.data.assign(1, 0);
        })), 2, "limit");
    {
        // 3 GiB declared, within the limit; the stream holds 8 MiB of zeros.
        NiftiBlueprint b;
        b.dim[1] = b.dim[2] = 1024;
        b.dim[3] = 1536;
        b.data.assign(8u << 20, 0);
        add("bomb-3gib-declared.nii.gz", gzipBytes(niftiBytes(b)), 2, "truncated");
    }
    {
        // A valid image followed, in the same stream, by 32 MiB of zeros nobody asked for.
        std::vector<unsigned char> padded = good;
        padded.resize(padded.size() + (32u << 20), 0);
        add("bomb-trailing-zeros.nii.gz", gzipBytes(padded), 0, "");
    }
    {
        // The data would start 2 GiB into the stream, after "extensions" of zeros.
        NiftiBlueprint b;
        b.voxOffset = 2147483648.0;
        b.data.assign(4u << 20, 0);
        add("bomb-far-data.nii.gz", gzipBytes(niftiBytes(b)), 2, "header extensions");
    }
    {
        // The data would start 128 MiB into a stream that holds 4 MiB.
        NiftiBlueprint b;
        b.voxOffset = 134217728.0;
        b.data.assign(4u << 20, 0);
        add("bomb-data-beyond-end.nii.gz", gzipBytes(niftiBytes(b)), 2, "ends before its image data");
    }

    // NIfTI-2.
    add("nifti2.nii", niftiBytes(nifti2()), 0, "");
    add("nifti2-dim0-zero.nii", variant([](NiftiBlueprint& b) { b.dim[0] = 0; }, nifti2()), 2, "dim[0] = 0");
    add("nifti2-dim0-eight.nii.gz", gzipBytes(variant([](NiftiBlueprint& b) { b.dim[0] = 8; }, nifti2())), 2,
        "dim[0] = 8");
    // Read as a 16-bit number, as a byte-order guess does, this is 3.
    add("nifti2-dim0-65539.nii", variant([](NiftiBlueprint& b) { b.dim[0] = 65539; }, nifti2()), 2,
        "dim[0] = 65539");
    add("nifti2-magic-mangled.nii",
        variant([](NiftiBlueprint& b) { b.magic = std::string("n+2\0\n\032\n\0", 8); }, nifti2()), 2, "signature");
    add("nifti2-voxel-overflow.nii", variant([](NiftiBlueprint& b) {
            b.dim[1] = b.dim[2] = b.dim[3] = std::int64_t{1} << 40;
        }, nifti2()), 2, "counted");
    add("nifti2-wide-volume.nii", variant([](NiftiBlueprint& b) {
            b.dim[1] = std::int64_t{1} << 31; b.dim[2] = b.dim[3] = 1; b.datatype = DT_UINT8; b.bitpix = 8;
        }, nifti2()), 2, "voxels per volume");

    // Header extensions are skipped, however many and whatever they hold.
    {
        NiftiBlueprint b;
        for (int i = 0; i < 5000; ++i) {
            addExtension(b.extensions, 16, 4);
        }
        add("many-extensions.nii", niftiBytes(b), 0, "");
        add("many-extensions.nii.gz", gzipBytes(niftiBytes(b)), 0, "");
    }
    {
        NiftiBlueprint b;
        addExtension(b.extensions, -16, 6);
        addExtension(b.extensions, 0x7ffffff0, 6);
        add("nonsense-extensions.nii", niftiBytes(b), 0, "");
    }

    // Odd but valid.
    add("big-endian.nii", variant([](NiftiBlueprint& b) { b.bigEndian = true; }), 0, "");
    {
        NiftiBlueprint b;
        b.datatype = DT_FLOAT32;
        b.bitpix = 32;
        b.data = sampleData(b);
        const float special[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                                 -std::numeric_limits<float>::infinity()};
        std::memcpy(b.data.data() + 40, special, sizeof special);
        add("non-finite-samples.nii", niftiBytes(b), 0, "3 of its 120 samples are NaN or infinite");
    }
    return files;
}

}  // namespace orvane::keldra::testing
