// checkerboard.png (fmrN_checkerboard.png for functional N): the anatomy and the functional in
// alternating tiles (picture/checkerboard_picture.h), laid out exactly as alignment.png, before.png
// and after.png when they show the same functional, so that a page can flick between them.
#pragma once

#include <string>
#include <vector>

#include "keldra/picture/alignment_picture.h"
#include "keldra/workspace/documents.h"

namespace orvane::keldra {

std::string checkerboardPictureFileName(int functional);

// `checkCaption`: the check's verdict line for this functional (alignment.png's caption adds the
// same line, which keeps the two layouts alike).
picture::RgbImage checkerboardPicture(const VmrDocument& anatomy, const FmrDocument& functional,
                                      const std::string& checkCaption, const picture::PictureOptions& options);

}  // namespace orvane::keldra
