// The floor under a whole keldra run: how long it takes on this machine just to decompress the
// inputs and to compress the outputs, with the libraries and settings keldra uses (ISA-L in one
// pass for whole files, zlib streaming for a first volume, gzip members through ISA-L at keldra's
// level on its compressing threads). Prints milliseconds, the best of three.
//
// Usage: keldra_gzip_floor [--whole FILE.nii.gz | --first-volume FILE.nii.gz | --compress FILE.nii.gz]...
//   --whole         decompress the whole file in one pass
//   --first-volume  decompress the header and the first volume only, streaming
//   --compress      compress the file's decompressed content as keldra writes an output
#include <fcntl.h>
#include <nifti2_io.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "keldra/nifti/parallel_gzip_writer.h"
#include "keldra/nifti/whole_gzip_decoder.h"

namespace {

using Clock = std::chrono::steady_clock;

std::vector<unsigned char> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The whole decompressed content, through zlib (outside the timing).
std::vector<unsigned char> decompressed(const std::string& path) {
    std::vector<unsigned char> content;
    gzFile file = gzopen(path.c_str(), "rb");
    unsigned char chunk[1 << 16];
    int got = 0;
    while (file != nullptr && (got = gzread(file, chunk, sizeof chunk)) > 0) {
        content.insert(content.end(), chunk, chunk + got);
    }
    if (file != nullptr) {
        gzclose(file);
    }
    return content;
}

double bestMilliseconds(const std::function<bool()>& work) {
    double best = 1e300;
    for (int i = 0; i < 3; ++i) {
        const Clock::time_point start = Clock::now();
        if (!work()) {
            return -1;
        }
        best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    double total = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string what = argv[i];
        const std::string path = argv[i + 1];
        double ms = -1;
        if (what == "--whole") {
            const std::vector<unsigned char> compressed = fileBytes(path);
            const std::vector<unsigned char> content = decompressed(path);
            std::vector<unsigned char> output(content.size());
            ms = bestMilliseconds([&] {
                return orvane::keldra::decompressWholeGzip(compressed.data(), compressed.size(), output.data(),
                                                           output.size());
            });
        } else if (what == "--first-volume") {
            const std::vector<unsigned char> content = decompressed(path);
            nifti_1_header header;
            std::memcpy(&header, content.data(), sizeof header);
            const std::size_t volume = static_cast<std::size_t>(header.dim[1]) * header.dim[2] * header.dim[3] *
                                       static_cast<std::size_t>(header.bitpix / 8);
            const std::size_t wanted = static_cast<std::size_t>(header.vox_offset) + volume;
            std::vector<unsigned char> output(wanted);
            ms = bestMilliseconds([&] {
                gzFile file = gzopen(path.c_str(), "rb");
                bool ok = file != nullptr && gzread(file, output.data(), static_cast<unsigned>(wanted)) == static_cast<int>(wanted);
                if (file != nullptr) {
                    gzclose(file);
                }
                return ok;
            });
        } else if (what == "--compress") {
            const std::vector<unsigned char> content = decompressed(path);
            const int sink = open("/dev/null", O_WRONLY | O_CLOEXEC);
            ms = bestMilliseconds([&] {
                orvane::keldra::ParallelGzipWriter writer(sink, orvane::keldra::kOutputCompressionLevel,
                                                          orvane::keldra::compressionThreads());
                std::string error;
                return writer.append(content.data(), content.size()) && writer.finish(error);
            });
            close(sink);
        }
        if (ms < 0) {
            std::fprintf(stderr, "keldra_gzip_floor: %s %s failed\n", what.c_str(), path.c_str());
            return 1;
        }
        std::printf("%s %s: %.1f ms\n", what.c_str(), path.c_str(), ms);
        total += ms;
    }
    std::printf("total: %.1f ms\n", total);
    return 0;
}
