// PNG files in a build without libpng (the Windows build, for which no such library is
// packaged): every attempt is refused with the reason.
#include "keldra/picture/png_file.h"

namespace orvane::keldra::picture {

namespace {
constexpr const char* kNoPng = "this build of keldra reads and writes no PNG files (it was built without libpng)";
}  // namespace

bool pngFilesSupported() { return false; }

bool writePng(const RgbImage& /*image*/, const std::string& /*path*/, std::string& error) {
    error = kNoPng;
    return false;
}

std::optional<RgbImage> readPng(const std::string& /*path*/, std::string& error) {
    error = kNoPng;
    return std::nullopt;
}

}  // namespace orvane::keldra::picture
