// check.png: what the alignment check's numbers mean, drawn. The functional's first volume twice,
// side by side and laid out alike: on the left with the anatomy's edges where the files'
// transforms place the two, on the right where the check's best fit places the functional,
// with the residual shift drawn as an arrow on the left panels (three times its length). When a
// left-right flip is suspected, the right half shows the functional mirrored and fitted. If the headers are right, the
// edges follow the functional's outlines in both halves alike; if not, they do only on the right.
#pragma once

#include <string>
#include <vector>

#include "keldra/geometry/affine.h"
#include "keldra/output/output_files.h"
#include "keldra/picture/alignment_picture.h"
#include "keldra/workspace/documents.h"

namespace orvane::keldra {

// check.png for functional 1, fmrN_check.png for functional N (counted from 1).
std::string checkPictureFileName(int functional);

struct CheckPictureFacts {
    // World to world: the functional's placement corrected by the best fit.
    Affine bestFit = Affine::identity();
    Vector3d shiftMm;                   // drawn as the arrow
    bool mirrored = false;              // the best fit mirrors the functional (a suspected flip)
    std::vector<std::string> caption;   // the verdict and the numbers, plain ASCII
};

picture::RgbImage checkPicture(const VmrDocument& anatomy, const FmrDocument& functional, const CheckPictureFacts& facts,
                               const picture::PictureOptions& options);

// Writes the picture as folder/fileName through the safe writer of output_files.h.
bool writeCheckPicture(const picture::RgbImage& image, const std::string& folder, const std::string& fileName,
                       const OutputPolicy& policy, std::string& path, std::string& error);

}  // namespace orvane::keldra
