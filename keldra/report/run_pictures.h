// The pictures keldra writes after a run that changed something, from the documents as they
// were opened and as the plug-in left them:
//   alignment.png      the anatomical with the edges of what the plug-in projected (the voxels
//                      it wrote into the anatomical or, when it wrote none, the functional it
//                      saved, placed by its affine) and the first functional's field of view
//   alignment_fmr.png  the first functional's first volume, as the plug-in saved it when it
//                      changed it, with the anatomical's edges placed by the affines
//   before.png, after.png  the anatomical before and after the run, laid out as alignment.png
//   fmrN_before.png, fmrN_after.png  functional N before and after, when the run changed it
#pragma once

#include <string>
#include <vector>

#include "keldra/picture/alignment_picture.h"
#include "keldra/output/output_files.h"
#include "keldra/host/plugin_run.h"

namespace orvane::keldra {

// A document's first volume as a picture's input, named by its file and labelled with the
// transform it uses, e.g. "sform (code 1)".
picture::PictureVolume vmrPictureVolume(const VmrDocument& vmr);
picture::PictureVolume fmrPictureVolume(const FmrDocument& fmr);

// Voxels (of every volume) whose value differs between two versions of a document.
long changedVoxels(const VmrDocument& before, const VmrDocument& after);
long changedVoxels(const FmrDocument& before, const FmrDocument& after);

// The layout of alignment.png, before.png and after.png: the anatomical's slices spread over
// the functional's field of view, with room for a caption line, `extraCaptionLines` more and a
// legend that may wrap.
picture::PicturePlan anatomicalPicturePlan(const picture::PictureVolume& anatomy, const picture::PictureVolume& functional,
                                           const picture::PictureOptions& options, int extraCaptionLines = 0);

// True when the run changed the anatomical or any functional.
bool runChangedSomething(const RunOutcome& outcome);

// The file names every possible picture would take, to check beforehand that none exists.
std::vector<std::string> pictureFileNames(int functionals);

// Writes the pictures into `folder`; `written` receives the paths. Nothing is written when the
// workspace lacks an anatomical or a functional. False with the reason when a file fails.
// Each goes through the safe writer of output_files.h under `policy`.
// `checkCaption` (the alignment check's verdict and shift) is added to alignment.png's caption.
bool writeRunPictures(const RunOutcome& outcome, const std::string& folder, const picture::PictureOptions& options,
                      std::vector<std::string>& written, std::string& error, const OutputPolicy& policy = {},
                      const std::vector<std::string>& checkCaption = {});

}  // namespace orvane::keldra
