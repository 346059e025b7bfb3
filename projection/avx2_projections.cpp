// AVX2 row kernels. Only the functions marked ORVANE_AVX2(_INLINE) use the wider instructions, so the
// rest of this file, and everything it shares with other files, runs on any x86 processor;
// FMA is deliberately not enabled, so no multiply and add can be fused.
#include "projection/avx2_projections.h"

#if ORVANE_HAS_AVX2_PATH

#include <immintrin.h>
#if defined(_MSC_VER)
#include <intrin.h>
#endif

#include <cstdint>
#include <limits>
#include <optional>

#include "projection/intensity_rules.h"
#include "projection/portable_projections.h"
#include "projection/projected_byte_table.h"
#include "projection/row_span.h"

#if defined(__GNUC__) || defined(__clang__)
#define ORVANE_AVX2 __attribute__((target("avx2")))
#define ORVANE_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline
#else
#define ORVANE_AVX2
#define ORVANE_AVX2_INLINE __forceinline
#endif

namespace orvane::avx2 {

#if defined(_MSC_VER)
namespace {

// The register state the operating system saves (XCR0); clang needs the feature named.
#if defined(__clang__)
__attribute__((target("xsave")))
#endif
unsigned long long savedRegisterState() {
    return _xgetbv(0);
}

}  // namespace
#endif

bool isSupported() {
#if defined(_MSC_VER)
    // AVX2 itself, and the operating system saving the 256-bit registers (XSAVE enabled and
    // both the SSE and AVX state bits set).
    int info[4];
    __cpuid(info, 0);
    if (info[0] < 7) {
        return false;
    }
    __cpuid(info, 1);
    const bool xsaveEnabled = (info[2] & (1 << 27)) != 0;
    const bool avx = (info[2] & (1 << 28)) != 0;
    if (!xsaveEnabled || !avx || (savedRegisterState() & 6) != 6) {
        return false;
    }
    __cpuidex(info, 7, 0);
    return (info[1] & (1 << 5)) != 0;
#elif defined(__GNUC__) || defined(__clang__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
#else
    return false;
#endif
}

namespace {

constexpr std::int32_t kLanes = 8;

// Whether every voxel of the grid has an index the gathers' 32-bit lanes can hold.
bool fitsLaneIndices(const GridSize& size) {
    const std::optional<std::size_t> count = checkedVoxelCount(size, 1);
    return count && *count <= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
}

// A row's constants, each in all eight lanes.
struct RowVectors {
    __m256 slope[3];
    __m256 yTerm[3];
    __m256 zTerm[3];
    __m256 offset[3];
    __m256 sourceCentre[3];
    __m256 targetCentreX;
    __m256i sourceExtentX;
    __m256i sourceExtentY;
};

ORVANE_AVX2 RowVectors broadcast(const RowMapping& row, const GridSize& source) {
    RowVectors v;
    for (int r = 0; r < 3; ++r) {
        v.slope[r] = _mm256_set1_ps(row.slope[r]);
        v.yTerm[r] = _mm256_set1_ps(row.yTerm[r]);
        v.zTerm[r] = _mm256_set1_ps(row.zTerm[r]);
        v.offset[r] = _mm256_set1_ps(row.offset[r]);
        v.sourceCentre[r] = _mm256_set1_ps(row.sourceCentre[r]);
    }
    v.targetCentreX = _mm256_set1_ps(row.targetCentreX);
    v.sourceExtentX = _mm256_set1_epi32(source.x);
    v.sourceExtentY = _mm256_set1_epi32(source.y);
    return v;
}

ORVANE_AVX2_INLINE __m256i laneXs(std::int32_t x) {
    return _mm256_add_epi32(_mm256_set1_epi32(x), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
}

// RowMapping::coordinate for eight voxels: the same products and sums in the same order.
ORVANE_AVX2_INLINE __m256 coordinates(const RowVectors& v, int r, __m256 centredXs) {
    __m256 sum = _mm256_mul_ps(v.slope[r], centredXs);
    sum = _mm256_add_ps(sum, v.yTerm[r]);
    sum = _mm256_add_ps(sum, v.zTerm[r]);
    sum = _mm256_add_ps(sum, v.offset[r]);
    return _mm256_add_ps(sum, v.sourceCentre[r]);
}

// insideCoordinateIndex for eight coordinates: widened to double, plus 0.5, truncated.
ORVANE_AVX2_INLINE __m256i insideIndices(__m256 c) {
    const __m256d half = _mm256_set1_pd(0.5);
    const __m128i low = _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_cvtps_pd(_mm256_castps256_ps128(c)), half));
    const __m128i high = _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_cvtps_pd(_mm256_extractf128_ps(c, 1)), half));
    return _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
}

// Flat source indices of voxels x .. x+7 of the row, all of which must be inside.
ORVANE_AVX2_INLINE __m256i sourceIndices(const RowVectors& v, std::int32_t x) {
    const __m256 centred = _mm256_sub_ps(_mm256_cvtepi32_ps(laneXs(x)), v.targetCentreX);
    const __m256i i = insideIndices(coordinates(v, 0, centred));
    const __m256i j = insideIndices(coordinates(v, 1, centred));
    const __m256i k = insideIndices(coordinates(v, 2, centred));
    const __m256i plane = _mm256_add_epi32(j, _mm256_mullo_epi32(v.sourceExtentY, k));
    return _mm256_add_epi32(i, _mm256_mullo_epi32(v.sourceExtentX, plane));
}

// The low byte of each of eight 32-bit lanes, in lane order, in the low eight bytes.
ORVANE_AVX2_INLINE __m128i lowBytes(__m256i lanes) {
    const __m256i pick = _mm256_setr_epi8(0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, 4, 8, 12,
                                          -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m256i packed = _mm256_shuffle_epi8(lanes, pick);
    return _mm_unpacklo_epi32(_mm256_castsi256_si128(packed), _mm256_extracti128_si256(packed, 1));
}

// Table bytes at eight voxel indices (the table's padding keeps the four-byte loads inside).
ORVANE_AVX2_INLINE __m128i tableBytes(const unsigned char* table, __m256i indices) {
    return lowBytes(_mm256_i32gather_epi32(reinterpret_cast<const int*>(table), indices, 1));
}

// Writes the eight projected bytes into the VMR row, keeping the bytes where nothing projects.
ORVANE_AVX2_INLINE void writeProjected(unsigned char* vmrVoxels, __m128i projected) {
    const __m128i previous = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(vmrVoxels));
    const __m128i nothing = _mm_cmpeq_epi8(projected, _mm_set1_epi8(static_cast<char>(kNothingProjected)));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(vmrVoxels), _mm_blendv_epi8(projected, previous, nothing));
}

ORVANE_AVX2 void fmrIntoVmrRow(const RowMapper& mapper, const RowMapping& row, RowSpan span,
                               const ProjectedByteTable& bytes, unsigned char* vmrRow) {
    const RowVectors v = broadcast(row, mapper.source());
    std::int32_t x = span.begin;
    for (; span.end - x >= kLanes; x += kLanes) {
        writeProjected(vmrRow + x, tableBytes(bytes.data(), sourceIndices(v, x)));
    }
    for (; x < span.end; ++x) {
        const unsigned char byte = bytes[mapper.sourceIndex(row, x)];
        if (byte != kNothingProjected) {
            vmrRow[x] = byte;
        }
    }
}

// The VMR belongs to the host and has no padding, so each four-byte gather starts no later
// than the last four bytes and the wanted byte is shifted down from where it lies in the word.
ORVANE_AVX2 void vmrIntoFmrRow(const RowMapper& mapper, const RowMapping& row, RowSpan span,
                               const unsigned char* vmrVoxels, std::int32_t lastWordStart, float* fmrRow) {
    const RowVectors v = broadcast(row, mapper.source());
    const __m256i lastStart = _mm256_set1_epi32(lastWordStart);
    const __m256 factor = _mm256_set1_ps(static_cast<float>(kVmrToFmrFactor));
    std::int32_t x = span.begin;
    for (; span.end - x >= kLanes; x += kLanes) {
        const __m256i indices = sourceIndices(v, x);
        const __m256i starts = _mm256_min_epi32(indices, lastStart);
        const __m256i shifts = _mm256_slli_epi32(_mm256_sub_epi32(indices, starts), 3);
        const __m256i words = _mm256_i32gather_epi32(reinterpret_cast<const int*>(vmrVoxels), starts, 1);
        const __m256i bytes = _mm256_and_si256(_mm256_srlv_epi32(words, shifts), _mm256_set1_epi32(0xFF));
        // A byte times three is at most 765, exact in single precision as in double.
        _mm256_storeu_ps(fmrRow + x, _mm256_mul_ps(_mm256_cvtepi32_ps(bytes), factor));
    }
    for (; x < span.end; ++x) {
        fmrRow[x] = fmrValueOfVmrByte(vmrVoxels[mapper.sourceIndex(row, x)]);
    }
}

// What mode 3 reads and writes besides the VMR row.
struct TwoFmrsContext {
    ProjectedByteTable& bytes1;
    const ProjectedByteTable& bytes2;
    float* fmr1;
    const float* fmr2;
};

// One VMR voxel of mode 3 whose FMR 1 and FMR 2 voxels are known; byte2 is FMR 2's entry, or
// nothing when the voxel is outside FMR 2.
inline void twoFmrsVoxel(TwoFmrsContext& c, unsigned char* vmrVoxel, std::size_t fmr1Index, std::size_t fmr2Index,
                         unsigned char byte2) {
    if (byte2 != kNothingProjected) {
        *vmrVoxel = byte2;
        c.fmr1[fmr1Index] = c.fmr2[fmr2Index];
        c.bytes1.set(fmr1Index, byte2);
        return;
    }
    const unsigned char byte1 = c.bytes1[fmr1Index];
    if (byte1 != kNothingProjected) {
        *vmrVoxel = byte1;
    }
}

// Eight voxels at a time where that cannot change the outcome: a group in which FMR 2 writes
// nothing reads FMR 1 as it stands, all at once. A group in which FMR 2 writes is finished
// voxel by voxel in walk order, because a later voxel may read what an earlier one stored.
ORVANE_AVX2 void twoFmrsRow(const RowMapper& mapper1, const RowMapping& row1, RowSpan span1, const RowMapper& mapper2,
                            const RowMapping& row2, RowSpan span2, TwoFmrsContext& c, unsigned char* vmrRow) {
    const RowVectors v1 = broadcast(row1, mapper1.source());
    const RowVectors v2 = broadcast(row2, mapper2.source());
    const __m256i begin2 = _mm256_set1_epi32(span2.begin);
    const __m256i end2 = _mm256_set1_epi32(span2.end);
    const __m128i nothing = _mm_set1_epi8(static_cast<char>(kNothingProjected));
    std::int32_t x = span1.begin;
    for (; span1.end - x >= kLanes; x += kLanes) {
        const __m256i indices1 = sourceIndices(v1, x);
        __m256i indices2 = _mm256_setzero_si256();
        __m128i bytes2 = nothing;
        if (x < span2.end && x + kLanes > span2.begin) {
            const __m256i xs = laneXs(x);
            // begin2 <= x < end2, lane by lane; lanes outside FMR 2 are not gathered.
            const __m256i inside2 = _mm256_andnot_si256(_mm256_cmpgt_epi32(begin2, xs), _mm256_cmpgt_epi32(end2, xs));
            indices2 = sourceIndices(v2, x);
            const __m256i words = _mm256_mask_i32gather_epi32(_mm256_setzero_si256(),
                                                              reinterpret_cast<const int*>(c.bytes2.data()),
                                                              indices2, inside2, 1);
            bytes2 = lowBytes(words);
        }
        const int fmr2Silent = _mm_movemask_epi8(_mm_cmpeq_epi8(bytes2, nothing)) & 0xFF;
        if (fmr2Silent == 0xFF) {
            writeProjected(vmrRow + x, tableBytes(c.bytes1.data(), indices1));
            continue;
        }
        alignas(32) std::int32_t fmr1Indices[kLanes];
        alignas(32) std::int32_t fmr2Indices[kLanes];
        _mm256_store_si256(reinterpret_cast<__m256i*>(fmr1Indices), indices1);
        _mm256_store_si256(reinterpret_cast<__m256i*>(fmr2Indices), indices2);
        if (fmr2Silent == 0) {
            // FMR 2 decides every voxel, so FMR 1 is not read; its buffer takes FMR 2's values
            // in walk order, the last voxel onto an FMR 1 voxel leaving its value there.
            _mm_storel_epi64(reinterpret_cast<__m128i*>(vmrRow + x), bytes2);
            alignas(16) unsigned char fmr2Bytes[16];
            _mm_store_si128(reinterpret_cast<__m128i*>(fmr2Bytes), bytes2);
            for (int lane = 0; lane < kLanes; ++lane) {
                const std::size_t fmr1Index = static_cast<std::size_t>(fmr1Indices[lane]);
                c.fmr1[fmr1Index] = c.fmr2[fmr2Indices[lane]];
                c.bytes1.set(fmr1Index, fmr2Bytes[lane]);
            }
            continue;
        }
        alignas(16) unsigned char fmr2Bytes[16];
        _mm_store_si128(reinterpret_cast<__m128i*>(fmr2Bytes), bytes2);
        for (int lane = 0; lane < kLanes; ++lane) {
            twoFmrsVoxel(c, vmrRow + x + lane, static_cast<std::size_t>(fmr1Indices[lane]),
                         static_cast<std::size_t>(fmr2Indices[lane]), fmr2Bytes[lane]);
        }
    }
    for (; x < span1.end; ++x) {
        const std::size_t fmr1Index = mapper1.sourceIndex(row1, x);
        if (x >= span2.begin && x < span2.end) {
            const std::size_t fmr2Index = mapper2.sourceIndex(row2, x);
            twoFmrsVoxel(c, vmrRow + x, fmr1Index, fmr2Index, c.bytes2[fmr2Index]);
        } else {
            twoFmrsVoxel(c, vmrRow + x, fmr1Index, 0, kNothingProjected);
        }
    }
}

}  // namespace

void projectFmrIntoVmr(const Matrix4& vmrVoxelToFmrVoxel, VolumeView<const float> fmr, VolumeView<unsigned char> vmr) {
    if (!fitsLaneIndices(fmr.size)) {
        portable::projectFmrIntoVmr(vmrVoxelToFmrVoxel, fmr, vmr);
        return;
    }
    const ProjectedByteTable bytes(fmr);
    const RowMapper mapper(vmrVoxelToFmrVoxel, vmr.size, fmr.size);
    forEachRowInside(mapper, [&](std::int32_t y, std::int32_t z, const RowMapping& row, RowSpan span) {
        fmrIntoVmrRow(mapper, row, span, bytes, vmr.voxels + voxelIndex(vmr.size, 0, y, z));
    });
}

void projectVmrIntoFmr(const Matrix4& fmrVoxelToVmrVoxel, VolumeView<const unsigned char> vmr, VolumeView<float> fmr) {
    const std::optional<std::size_t> vmrCount = checkedVoxelCount(vmr.size, 1);
    if (!fitsLaneIndices(vmr.size) || !vmrCount || *vmrCount < 4) {
        portable::projectVmrIntoFmr(fmrVoxelToVmrVoxel, vmr, fmr);
        return;
    }
    const std::int32_t lastWordStart = static_cast<std::int32_t>(*vmrCount - 4);
    const RowMapper mapper(fmrVoxelToVmrVoxel, fmr.size, vmr.size);
    forEachRowInside(mapper, [&](std::int32_t y, std::int32_t z, const RowMapping& row, RowSpan span) {
        vmrIntoFmrRow(mapper, row, span, vmr.voxels, lastWordStart, fmr.voxels + voxelIndex(fmr.size, 0, y, z));
    });
}

void projectTwoFmrs(const Matrix4& vmrVoxelToFmr1Voxel, const Matrix4& vmrVoxelToFmr2Voxel, VolumeView<float> fmr1,
                    VolumeView<const float> fmr2, VolumeView<unsigned char> vmr) {
    if (!fitsLaneIndices(fmr1.size) || !fitsLaneIndices(fmr2.size)) {
        portable::projectTwoFmrs(vmrVoxelToFmr1Voxel, vmrVoxelToFmr2Voxel, fmr1, fmr2, vmr);
        return;
    }
    ProjectedByteTable bytes1({fmr1.voxels, fmr1.size});
    const ProjectedByteTable bytes2(fmr2);
    TwoFmrsContext context{bytes1, bytes2, fmr1.voxels, fmr2.voxels};
    const RowMapper mapper1(vmrVoxelToFmr1Voxel, vmr.size, fmr1.size);
    const RowMapper mapper2(vmrVoxelToFmr2Voxel, vmr.size, fmr2.size);
    forEachRowInside(mapper1, [&](std::int32_t y, std::int32_t z, const RowMapping& row1, RowSpan span1) {
        const RowMapping row2 = mapper2.row(y, z);
        twoFmrsRow(mapper1, row1, span1, mapper2, row2, mapper2.insideSpan(row2), context,
                   vmr.voxels + voxelIndex(vmr.size, 0, y, z));
    });
}

}  // namespace orvane::avx2

#else

namespace orvane::avx2 {

bool isSupported() { return false; }

}  // namespace orvane::avx2

#endif
