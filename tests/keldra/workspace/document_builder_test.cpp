// Turning file content into documents: the anatomical's bytes, the functional's data types,
// and the transforms a document keeps for saving.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "keldra/geometry/orientation.h"
#include "keldra/workspace/document_builder.h"

namespace orvane::keldra {
namespace {

template <typename T>
VolumeFile volumeOf(SampleType type, const std::vector<T>& values, int volumes = 1) {
    VolumeFile file;
    file.nx = static_cast<int>(values.size() / volumes);
    file.ny = file.nz = 1;
    file.volumes = volumes;
    file.voxelSize[0] = file.voxelSize[1] = file.voxelSize[2] = 2;
    file.sampleType = type;
    file.sampleTypeName = "test type";
    file.samples.resize(values.size() * sizeof(T));
    std::memcpy(file.samples.data(), values.data(), file.samples.size());
    file.sformCode = 1;
    file.sform = Affine::scaling(2, 2, 2);
    return file;
}

TEST(AnatomicalBytes, IntegersWithinRangeAreKeptAndOthersScaledToThePercentile) {
    std::string note;
    VolumeVector<std::uint8_t> kept = anatomicalBytes(volumeOf<std::int16_t>(SampleType::Int16, {0, 17, 225, 3}), note);
    EXPECT_EQ(kept, (VolumeVector<std::uint8_t>{0, 17, 225, 3}));

    // 1000 values 0..999 and one outlier: the minimum maps to 0, the 99.5th percentile
    // (value 995 at rank floor(0.995 * 1000)) to 225, and the outlier is clamped.
    std::vector<std::int16_t> ramp;
    for (int i = 0; i < 1000; ++i) ramp.push_back(static_cast<std::int16_t>(i));
    ramp.push_back(30000);
    VolumeVector<std::uint8_t> scaled = anatomicalBytes(volumeOf(SampleType::Int16, ramp), note);
    EXPECT_EQ(scaled[0], 0);
    EXPECT_EQ(scaled[995], 225);
    EXPECT_EQ(scaled[1000], 225);
    EXPECT_EQ(scaled[500], static_cast<std::uint8_t>(std::lround(500 * 225.0 / 995)));
    EXPECT_NE(note.find("99.5th percentile 995"), std::string::npos) << note;

    // Floats are scaled even when they hold small whole numbers; a negative minimum maps to 0.
    // Of four values the 99.5th percentile is the third (rank floor(0.995 * 3) = 2).
    VolumeVector<std::uint8_t> floats = anatomicalBytes(volumeOf<float>(SampleType::Float32, {-10, -5, 0, 10}), note);
    EXPECT_EQ(floats, (VolumeVector<std::uint8_t>{0, 113, 225, 225}));

    // Only the first volume counts.
    VolumeVector<std::uint8_t> first = anatomicalBytes(volumeOf<std::int16_t>(SampleType::Int16, {1, 2, 900, 900}, 2), note);
    EXPECT_EQ(first, (VolumeVector<std::uint8_t>{1, 2}));
}

// Found by fuzzing: the span of the values overflowed (or the factor did), and NaN was
// converted to a byte (undefined behaviour).
TEST(AnatomicalBytes, ExtremeSpansNeitherOverflowNorBecomeNaN) {
    const double huge = std::numeric_limits<double>::max();
    std::string note;
    // Of four values the 99.5th percentile is the third: 0 lies 1/1.5 of the way to it.
    VolumeVector<std::uint8_t> wide = anatomicalBytes(volumeOf<double>(SampleType::Float64, {-huge, 0, huge / 2, huge}), note);
    EXPECT_EQ(wide, (VolumeVector<std::uint8_t>{0, 150, kAnatomicalTop, kAnatomicalTop}));

    // A subnormal scaling slope: the values differ by less than any factor can bridge.
    VolumeFile narrow = volumeOf<double>(SampleType::Float64, {0, 1, 2, 3});
    narrow.slope = std::numeric_limits<double>::denorm_min();
    VolumeVector<std::uint8_t> bytes = anatomicalBytes(narrow, note);
    EXPECT_EQ(bytes[0], 0);
    EXPECT_EQ(bytes[3], kAnatomicalTop);
}

// 8- and 16-bit samples take their bytes from a table of their distinct values; any other type
// selects the percentile among every value. The same values must give the same bytes and note.
TEST(AnatomicalBytes, SmallIntegersGiveWhatSelectingAmongEveryValueGives) {
    struct Scaling {
        double slope, intercept;
    } scalings[] = {{0, 0}, {-2.5, 100}, {1e305, 0}, {1e-300, 0}};
    std::uint32_t state = 12345;
    const auto next = [&state] { return state = state * 1664525u + 1013904223u; };
    for (SampleType type : {SampleType::UInt8, SampleType::Int8, SampleType::Int16, SampleType::UInt16}) {
        for (int shape = 0; shape < 3; ++shape) {
            // Narrow values (kept as they are when unscaled), wide ones, and mostly background.
            std::vector<std::int32_t> values;
            for (int i = 0; i < 5000; ++i) {
                std::int32_t v = static_cast<std::int32_t>(next() >> 8);
                v = shape == 0 ? v % 200 : shape == 2 && i % 10 != 0 ? 0 : v;
                switch (type) {
                    case SampleType::UInt8: v = static_cast<std::uint8_t>(v); break;
                    case SampleType::Int8: v = static_cast<std::int8_t>(v); break;
                    case SampleType::Int16: v = static_cast<std::int16_t>(v); break;
                    default: v = static_cast<std::uint16_t>(v); break;
                }
                values.push_back(v);
            }
            VolumeFile wide = volumeOf(SampleType::Int32, values);
            VolumeFile small = wide;
            small.sampleType = type;
            small.samples.clear();
            for (std::int32_t v : values) {
                unsigned char bytes[4];
                std::memcpy(bytes, &v, 4);  // the low bytes, little-endian
                small.samples.insert(small.samples.end(), bytes, bytes + sampleSize(type));
            }
            for (const Scaling& scaling : scalings) {
                SCOPED_TRACE(std::to_string(static_cast<int>(type)) + " shape " + std::to_string(shape) + " slope " +
                             std::to_string(scaling.slope));
                small.slope = wide.slope = scaling.slope;
                small.intercept = wide.intercept = scaling.intercept;
                std::string byTable, bySelection;
                EXPECT_EQ(anatomicalBytes(small, byTable), anatomicalBytes(wide, bySelection));
                EXPECT_EQ(byTable, bySelection);
            }
        }
    }
}

// The name becomes the FMR's file name and the prefix of everything the plug-in saves from it.
TEST(DocumentNames, DropTheFolderAndTheWholeNiftiExtension) {
    const std::pair<const char*, const char*> cases[] = {
        {"data/run-1.nii.gz", "run-1"}, {"/abs/sub.dir/bold.nii", "bold"}, {"anat.v2.nii.gz", "anat.v2"},
        {"x.gz.nii", "x.gz"},           {"plain", "plain"},               {".nii.gz", ".nii.gz"},
        {"a/.nii", ".nii"},             {"windows\\sub\\t1.nii", "t1"},
    };
    for (const auto& [path, name] : cases) {
        EXPECT_EQ(documentName(path), name) << path;
    }
}

TEST(FmrDocuments, KeepAllVolumesInTheirTypeOrAsFloats) {
    FmrDocument fmr;
    std::string error;
    ASSERT_TRUE(makeFmrDocument("data/run-1.nii.gz", volumeOf<std::int16_t>(SampleType::Int16, {-5, 7, 9, 11}, 2), fmr, error));
    EXPECT_EQ(fmr.header.dataType(), kFmrDataInt16);
    EXPECT_EQ(fmr.intData, (std::vector<std::int16_t>{-5, 7, 9, 11}));
    EXPECT_EQ(fmr.header.stcPrefix(), "run-1");
    EXPECT_EQ(fmr.header.fileName(), "run-1.fmr");
    EXPECT_EQ(fmr.header.dimX(), 2);

    VolumeFile doubles = volumeOf<double>(SampleType::Float64, {0.5, -1.25});
    ASSERT_TRUE(makeFmrDocument("d.nii", doubles, fmr, error));
    EXPECT_EQ(fmr.header.dataType(), kFmrDataFloat32);
    EXPECT_EQ(fmr.floatData, (std::vector<float>{0.5f, -1.25f}));

    VolumeFile scaled = volumeOf<std::int16_t>(SampleType::Int16, {2, 4});
    scaled.slope = 0.5;
    scaled.intercept = 1;
    ASSERT_TRUE(makeFmrDocument("s.nii", scaled, fmr, error));
    EXPECT_EQ(fmr.floatData, (std::vector<float>{2, 3}));

    // Saving hands back the document's own data and transforms.
    VolumeFile back = fmrAsVolumeFile(fmr);
    EXPECT_EQ(back.sampleType, SampleType::Float32);
    EXPECT_EQ(back.sformCode, 1);
    EXPECT_EQ(back.value(1), 3);
}

TEST(FmrDocuments, KeepTheirDisplayRangeOnlyWhileTheirValuesLieWithinIt) {
    VolumeFile file = volumeOf<std::int16_t>(SampleType::Int16, {10, 20, 30, 40}, 2);
    file.timing.timeStep = 2.0;
    file.timing.displayMinimum = 0;
    file.timing.displayMaximum = 100;
    FmrDocument fmr;
    std::string error;
    ASSERT_TRUE(makeFmrDocument("bold.nii", file, fmr, error));
    EXPECT_EQ(fmrAsVolumeFile(fmr).timing.displayMaximum, 100);
    fmr.intData[1] = 150;  // a run wrote a value beyond the range
    const TimingAndLabels saved = fmrAsVolumeFile(fmr).timing;
    EXPECT_EQ(saved.displayMinimum, 0);
    EXPECT_EQ(saved.displayMaximum, 0);
    EXPECT_EQ(saved.timeStep, 2.0);
}

TEST(DocumentGeometry, AdoptsTheSformBeforeTheQformAndRefusesNeither) {
    VolumeFile file = volumeOf<std::int16_t>(SampleType::Int16, {1, 2});
    file.qformCode = 1;
    file.qform = Affine::translation({5, 0, 0}) * Affine::scaling(2, 2, 2);
    DocumentGeometry g;
    std::string error;
    ASSERT_TRUE(adoptGeometry(file, g, error));
    EXPECT_EQ(g.source, AffineSource::Sform);
    EXPECT_EQ(transformDisagreement(file), 5);
    file.sformCode = 0;
    ASSERT_TRUE(adoptGeometry(file, g, error));
    EXPECT_EQ(g.source, AffineSource::Qform);
    EXPECT_EQ(g.voxelToWorld.m[0][3], 5);
    EXPECT_EQ(transformDisagreement(file), 0);
    file.qformCode = 0;
    EXPECT_FALSE(adoptGeometry(file, g, error));

    // Flipped axes are rotations with a flip; a voxel size off by more than 1e-4 is not.
    file.sformCode = 1;
    file.sform = Affine::scaling(-2, 2, -2);
    EXPECT_TRUE(adoptGeometry(file, g, error)) << error;
    EXPECT_EQ(orientationLetters(g.voxelToWorld), "LAI");
    file.sform = Affine::scaling(2, 2, 2.001);
    EXPECT_FALSE(adoptGeometry(file, g, error));
}

}  // namespace
}  // namespace orvane::keldra
