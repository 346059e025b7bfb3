// The stamp of a file from what fstat or stat reports of it (POSIX systems).
#pragma once

#include <sys/stat.h>

#include "keldra/nifti/volume_file.h"

namespace orvane::keldra {

inline FileStamp fileStampOf(const struct stat& status) {
    FileStamp stamp;
    stamp.device = static_cast<unsigned long long>(status.st_dev);
    stamp.inode = static_cast<unsigned long long>(status.st_ino);
    stamp.size = static_cast<unsigned long long>(status.st_size);
    stamp.modifiedNanoseconds =
        static_cast<long long>(status.st_mtim.tv_sec) * 1000000000LL + static_cast<long long>(status.st_mtim.tv_nsec);
    return stamp;
}

}  // namespace orvane::keldra
