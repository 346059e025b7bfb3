// PNG files: what is written is read back pixel for pixel, and failures are reported.
#include "keldra/picture/png_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace orvane::keldra::picture {
namespace {

std::filesystem::path scratchFolder(const std::string& name) {
    const auto folder = std::filesystem::path(ORVANE_BINARY_DIR) / "test-scratch" / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

TEST(PngFile, RoundTripKeepsSizeAndEveryPixel) {
    RgbImage image(37, 11);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            image.setPixel(x, y, {static_cast<std::uint8_t>(x * 7), static_cast<std::uint8_t>(y * 23),
                                  static_cast<std::uint8_t>((x * y) % 256)});
        }
    }
    const auto path = (scratchFolder("png-round-trip") / "p.png").string();
    std::string error;
    ASSERT_TRUE(writePng(image, path, error)) << error;
    EXPECT_FALSE(std::filesystem::exists(path + ".part"));
    const auto read = readPng(path, error);
    ASSERT_TRUE(read) << error;
    ASSERT_EQ(read->width(), 37);
    ASSERT_EQ(read->height(), 11);
    EXPECT_EQ(read->bytes(), image.bytes());
}

TEST(PngFile, PicturesOfGreysAndLineColoursKeepTheColoursAndEveryGreyWithinOneStep) {
    // All 256 greys and three line colours do not fit a palette of 256: the greys share what is
    // left.
    RgbImage image(256, 4);
    const Rgb lines[3] = {{255, 0, 0}, {0, 140, 255}, {255, 230, 0}};
    for (int x = 0; x < 256; ++x) {
        const auto grey = static_cast<std::uint8_t>(x);
        image.setPixel(x, 0, {grey, grey, grey});
        image.setPixel(x, 1, lines[x % 3]);
        image.setPixel(x, 2, {grey, grey, grey});
    }
    const auto path = (scratchFolder("png-palette") / "p.png").string();
    std::string error;
    ASSERT_TRUE(writePng(image, path, error)) << error;
    const auto read = readPng(path, error);
    ASSERT_TRUE(read) << error;
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 256; ++x) {
            const Rgb want = image.pixel(x, y);
            const Rgb got = read->pixel(x, y);
            if (want.r == want.g && want.g == want.b) {
                EXPECT_EQ(got.r, got.g);
                EXPECT_EQ(got.g, got.b);
                EXPECT_LE(std::abs(got.r - want.r), 1) << x << "," << y;
            } else {
                EXPECT_EQ(got, want) << x << "," << y;
            }
        }
    }
}

TEST(PngFile, UpToSixtyFourLineColoursKeepAPaletteAndOneMoreIsWrittenAsRgb) {
    // Line colours that differ in one byte only, scattered between greys; every pixel read back
    // exact. The file's colour type (byte 25: 3 palette, 2 RGB) says which way it was written.
    const auto colourType = [](const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        char header[26] = {};
        file.read(header, sizeof header);
        return static_cast<int>(static_cast<unsigned char>(header[25]));
    };
    for (const int colours : {64, 65}) {
        RgbImage image(97, 9);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const int k = (x * 5 + y * 31) % (colours + 40);
                const auto grey = static_cast<std::uint8_t>((x * y) % 256);
                image.setPixel(x, y, k < colours ? Rgb{static_cast<std::uint8_t>(2 * k), 0, 7} : Rgb{grey, grey, grey});
            }
        }
        const auto path = (scratchFolder("png-line-colours") / ("p" + std::to_string(colours) + ".png")).string();
        std::string error;
        ASSERT_TRUE(writePng(image, path, error)) << error;
        EXPECT_EQ(colourType(path), colours <= 64 ? 3 : 2) << colours << " line colours";
        const auto read = readPng(path, error);
        ASSERT_TRUE(read) << error;
        EXPECT_EQ(read->bytes(), image.bytes()) << colours << " line colours";
    }
}

TEST(PngFile, FailuresAreReportedNotThrown) {
    const auto folder = scratchFolder("png-failures");
    std::string error;
    EXPECT_FALSE(writePng(RgbImage(4, 4), (folder / "missing" / "p.png").string(), error));
    EXPECT_NE(error.find("missing"), std::string::npos) << error;

    error.clear();
    EXPECT_FALSE(writePng(RgbImage(), (folder / "empty.png").string(), error));
    EXPECT_FALSE(error.empty());

    const auto notPng = (folder / "text.png").string();
    std::ofstream(notPng) << "this is not a picture";
    error.clear();
    EXPECT_FALSE(readPng(notPng, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(readPng((folder / "absent.png").string(), error));
}

}  // namespace
}  // namespace orvane::keldra::picture
