// PNG files through libpng. Pictures are written with a colour palette whenever they hold few
// enough colours (greys and a handful of line colours), a third of the bytes of RGB. They are
// drawn after every run, and a run should not wait for them: their image data is compressed at
// ISA-L's level 1, about twice as fast as libdeflate's fastest level here for a tenth more bytes,
// and handed to libpng as the one IDAT chunk, between the header chunks libpng writes and the
// end chunk. Reading uses libpng's simplified interface.
#include "keldra/picture/png_file.h"

#include <png.h>

#include <array>
#include <cerrno>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "keldra/deflate/one_call_deflate.h"

namespace orvane::keldra::picture {
namespace {

// Colours other than greys a palette picture may hold; more, and it is written as RGB.
constexpr std::size_t kMostLineColours = 64;
constexpr int kCompressionLevel = 1;
constexpr png_byte kImageDataChunk[5] = {'I', 'D', 'A', 'T', '\0'};
constexpr png_byte kEndChunk[5] = {'I', 'E', 'N', 'D', '\0'};

// A picture as palette indices, when it can be one.
struct PalettePicture {
    std::vector<png_color> colours;
    std::vector<std::uint8_t> indices;
};

// The line colours of a picture in the order they first appear, each found again in constant
// time: an open-addressed table keyed by the colour's three bytes, twice as large as the most
// colours it takes, so that it never fills.
class LineColours {
public:
    // The colour's place in the order, adding it when it is new; nothing when it is new and the
    // table already holds kMostLineColours.
    std::optional<std::size_t> find(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        const std::uint32_t key = (std::uint32_t{r} << 16 | std::uint32_t{g} << 8 | b) + 1;
        std::size_t slot = (key * 2654435761u) >> 25 & (kSlots - 1);
        while (keys_[slot] != 0) {
            if (keys_[slot] == key) {
                return places_[slot];
            }
            slot = (slot + 1) & (kSlots - 1);
        }
        if (order_.size() == kMostLineColours) {
            return std::nullopt;
        }
        keys_[slot] = key;
        places_[slot] = static_cast<std::uint8_t>(order_.size());
        order_.push_back({r, g, b});
        return places_[slot];
    }

    const std::vector<Rgb>& inOrder() const { return order_; }

private:
    static constexpr std::size_t kSlots = 2 * kMostLineColours;
    std::array<std::uint32_t, kSlots> keys_{};  // the colour plus one; 0 for a free slot
    std::array<std::uint8_t, kSlots> places_{};
    std::vector<Rgb> order_;
};

// The palette's greys: each its own entry when all of them fit beside `others` line colours;
// otherwise the remaining entries, spread evenly from black to white, shared by the greys, which
// moves a grey by less than one step of 255. `greyIndex` receives each grey's entry.
void paletteGreys(const std::array<bool, 256>& greyUsed, std::size_t others, std::vector<png_color>& colours,
                  std::array<std::uint8_t, 256>& greyIndex) {
    std::size_t greys = 0;
    for (bool used : greyUsed) {
        greys += used ? 1 : 0;
    }
    if (greys + others <= 256) {
        for (int g = 0; g < 256; ++g) {
            if (greyUsed[static_cast<std::size_t>(g)]) {
                greyIndex[static_cast<std::size_t>(g)] = static_cast<std::uint8_t>(colours.size());
                const png_byte level = static_cast<png_byte>(g);
                colours.push_back({level, level, level});
            }
        }
        return;
    }
    const int levels = static_cast<int>(256 - others);
    for (int k = 0; k < levels; ++k) {
        const png_byte level = static_cast<png_byte>(std::lround(k * 255.0 / (levels - 1)));
        colours.push_back({level, level, level});
    }
    for (int g = 0; g < 256; ++g) {
        greyIndex[static_cast<std::size_t>(g)] = static_cast<std::uint8_t>(std::lround(g * (levels - 1) / 255.0));
    }
}

// Greys and at most kMostLineColours other colours: the palette (greys first, then the line
// colours in the order they appear) and each pixel's entry. The first pass keeps each grey's
// level and notes where the line colours lie; once every grey is known, the levels become
// entries through a table and the noted pixels take their colours' entries.
bool asPalette(const RgbImage& image, PalettePicture& picture) {
    const std::uint8_t* bytes = image.bytes().data();
    const std::size_t pixels = image.bytes().size() / 3;
    std::array<bool, 256> greyUsed{};
    LineColours others;
    std::vector<std::pair<std::size_t, std::uint8_t>> coloured;  // pixel, place among the line colours
    picture.indices.resize(pixels);
    std::uint8_t* index = picture.indices.data();
    for (std::size_t i = 0; i < pixels; ++i, bytes += 3) {
        const std::uint8_t r = bytes[0], g = bytes[1], b = bytes[2];
        index[i] = r;
        if (r == g && g == b) {
            greyUsed[r] = true;
            continue;
        }
        const std::optional<std::size_t> place = others.find(r, g, b);
        if (!place) {
            return false;
        }
        coloured.emplace_back(i, static_cast<std::uint8_t>(*place));
    }
    std::array<std::uint8_t, 256> greyIndex{};
    picture.colours.clear();
    paletteGreys(greyUsed, others.inOrder().size(), picture.colours, greyIndex);
    const std::size_t firstOther = picture.colours.size();
    for (const Rgb& o : others.inOrder()) {
        picture.colours.push_back({o.r, o.g, o.b});
    }
    for (std::size_t i = 0; i < pixels; ++i) {
        index[i] = greyIndex[index[i]];
    }
    for (const auto& [pixel, place] : coloured) {
        index[pixel] = static_cast<std::uint8_t>(firstOther + place);
    }
    return true;
}

// What libpng is given to write, and where it reports a failure. Plain data only: the encoder
// below returns through longjmp when libpng fails.
struct Encoding {
    std::FILE* file = nullptr;
    int width = 0;
    int height = 0;
    const std::uint8_t* rows = nullptr;
    std::size_t rowBytes = 0;
    const png_color* palette = nullptr;  // null for RGB
    int paletteSize = 0;
    const std::uint8_t* imageData = nullptr;  // the rows, filtered and compressed
    std::size_t imageDataBytes = 0;
    char message[200] = {};
};

void onError(png_structp png, png_const_charp message) {
    auto* encoding = static_cast<Encoding*>(png_get_error_ptr(png));
    std::snprintf(encoding->message, sizeof encoding->message, "%s", message != nullptr ? message : "libpng failed");
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

bool encode(Encoding* encoding) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, encoding, onError, onWarning);
    if (png == nullptr) {
        std::snprintf(encoding->message, sizeof encoding->message, "libpng could not start");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        std::snprintf(encoding->message, sizeof encoding->message, "libpng could not start");
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, encoding->file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(encoding->width), static_cast<png_uint_32>(encoding->height), 8,
                 encoding->palette != nullptr ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    if (encoding->palette != nullptr) {
        png_set_PLTE(png, info, encoding->palette, encoding->paletteSize);
    }
    png_write_info(png, info);
    png_write_chunk(png, kImageDataChunk, encoding->imageData, encoding->imageDataBytes);
    png_write_chunk(png, kEndChunk, nullptr, 0);
    png_destroy_write_struct(&png, &info);
    return true;
}

// The image data as PNG stores it: each row after its filter byte (none), as one zlib stream.
bool compressImageData(const std::uint8_t* rows, std::size_t rowBytes, int height, std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> filtered((rowBytes + 1) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = filtered.data() + (rowBytes + 1) * static_cast<std::size_t>(y);
        row[0] = PNG_FILTER_VALUE_NONE;
        std::memcpy(row + 1, rows + rowBytes * static_cast<std::size_t>(y), rowBytes);
    }
    OneCallDeflate compressor(kCompressionLevel, DeflateWrapper::Zlib);
    return compressor.compress(filtered.data(), filtered.size(), data);
}

}  // namespace

bool pngFilesSupported() { return true; }

bool writePng(const RgbImage& image, const std::string& path, std::string& error) {
    if (image.width() <= 0 || image.height() <= 0) {
        error = "cannot write an empty picture to " + path;
        return false;
    }
    PalettePicture palette;
    Encoding encoding;
    encoding.width = image.width();
    encoding.height = image.height();
    if (asPalette(image, palette)) {
        encoding.rows = palette.indices.data();
        encoding.rowBytes = static_cast<std::size_t>(image.width());
        encoding.palette = palette.colours.data();
        encoding.paletteSize = static_cast<int>(palette.colours.size());
    } else {
        encoding.rows = image.bytes().data();
        encoding.rowBytes = static_cast<std::size_t>(image.width()) * 3;
    }
    std::vector<std::uint8_t> imageData;
    if (!compressImageData(encoding.rows, encoding.rowBytes, encoding.height, imageData)) {
        error = "cannot write " + path + ": the picture could not be compressed";
        return false;
    }
    encoding.imageData = imageData.data();
    encoding.imageDataBytes = imageData.size();
    const std::string temporary = path + ".part";
    encoding.file = std::fopen(temporary.c_str(), "wb");
    if (encoding.file == nullptr) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    const bool encoded = encode(&encoding);
    const bool flushed = std::fflush(encoding.file) == 0 && std::ferror(encoding.file) == 0;
    const int flushError = errno;
    const bool closed = std::fclose(encoding.file) == 0;
    if (!encoded || !flushed || !closed) {
        error = "cannot write " + path + ": " +
                (!encoded ? std::string(encoding.message) : std::string(std::strerror(flushed ? errno : flushError)));
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
