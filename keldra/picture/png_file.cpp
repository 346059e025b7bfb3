// PNG files through libpng's simplified interface, which reports errors in the image record
// instead of jumping out of the caller.
#include "keldra/picture/png_file.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace orvane::keldra::picture {

bool pngFilesSupported() { return true; }

bool writePng(const RgbImage& image, const std::string& path, std::string& error) {
    if (image.width() <= 0 || image.height() <= 0) {
        error = "cannot write an empty picture to " + path;
        return false;
    }
    png_image record;
    std::memset(&record, 0, sizeof record);
    record.version = PNG_IMAGE_VERSION;
    record.width = static_cast<png_uint_32>(image.width());
    record.height = static_cast<png_uint_32>(image.height());
    record.format = PNG_FORMAT_RGB;
    const std::string temporary = path + ".part";
    const int ok = png_image_write_to_file(&record, temporary.c_str(), 0, image.bytes().data(),
                                           static_cast<png_int_32>(image.width() * 3), nullptr);
    if (!ok) {
        error = "cannot write " + path + ": " + record.message;
        png_image_free(&record);
        std::remove(temporary.c_str());
        return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

std::optional<RgbImage> readPng(const std::string& path, std::string& error) {
    png_image record;
    std::memset(&record, 0, sizeof record);
    record.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&record, path.c_str())) {
        error = "cannot read " + path + ": " + record.message;
        png_image_free(&record);
        return std::nullopt;
    }
    record.format = PNG_FORMAT_RGB;
    RgbImage image(static_cast<int>(record.width), static_cast<int>(record.height));
    if (!png_image_finish_read(&record, nullptr, image.bytes().data(),
                               static_cast<png_int_32>(image.width() * 3), nullptr)) {
        error = "cannot read " + path + ": " + record.message;
        png_image_free(&record);
        return std::nullopt;
    }
    return image;
}

}  // namespace orvane::keldra::picture
