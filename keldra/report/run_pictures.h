// The pictures keldra writes after a run, from the documents as they were opened and as the
// plug-in left them:
//   alignment.png      always: the anatomical with the edges of what the plug-in projected
//                      (the voxels it wrote into the anatomical or, when it wrote none, the
//                      functional it saved, placed by its affine), the functionals' fields of
//                      view and, when they lie mostly outside the part shown, a locator per
//                      row; when nothing was projected the legend says why
//   alignment_fmr.png  always: the first functional's first volume, as the plug-in saved it
//                      when it changed it, with the anatomical's edges placed by the affines
//   alignment_fmr1_fmr2.png  when the plug-in projected the second functional into the first
//                      (mapping 3): the first as opened with the edges of what was projected
//                      into it, and the second's field of view
//   before.png, after.png  when the run changed something: the anatomical before and after
//                      the run, laid out as alignment.png
//   fmrN_before.png, fmrN_after.png  functional N before and after, when the run changed it
// The pictures are drawn side by side on a few threads.
#pragma once

#include <future>
#include <string>
#include <vector>

#include "keldra/picture/alignment_picture.h"
#include "keldra/output/output_files.h"
#include "keldra/host/plugin_run.h"

namespace orvane::keldra {

// The anatomical's voxels as a picture's input (borrowed: the document must outlive it) and a
// functional's first volume (copied), named by their files and labelled with the transform
// they use, e.g. "sform (code 1)".
picture::PictureVolume vmrPictureVolume(const VmrDocument& vmr);
picture::PictureVolume fmrPictureVolume(const FmrDocument& fmr);

// Voxels (of every volume) whose value differs between two versions of a document.
long changedVoxels(const VmrDocument& before, const VmrDocument& after);
long changedVoxels(const FmrDocument& before, const FmrDocument& after);

// The layout of alignment.png, before.png and after.png: the anatomical's slices, chosen from
// the anatomical alone, with room for two caption lines, `extraCaptionLines` more and a legend
// that may wrap, and a locator per row when the functional lies mostly outside the part shown.
picture::PicturePlan anatomicalPicturePlan(const picture::PictureVolume& anatomy, const picture::PictureVolume& functional,
                                           const picture::PictureOptions& options, int extraCaptionLines = 0);

// True when the run changed the anatomical or any functional.
bool runChangedSomething(const RunOutcome& outcome);

// The file names every possible picture would take, to check beforehand that none exists.
std::vector<std::string> pictureFileNames(int functionals);

// Lines added to alignment.png's caption that may still be in the making (the alignment
// check's verdict and shift): the picture is laid out with room for `lines` of them and drawn
// without them, and they are drawn in when `text` is ready, just before the file is written.
// Lines beyond `lines` are not shown; missing ones stay empty.
struct LateCaption {
    int lines = 0;
    std::shared_future<std::vector<std::string>> text;
};

// Writes the pictures into `folder`; `written` receives the paths, in a fixed order. Nothing is
// written when the workspace lacks an anatomical or a functional. False with the reason when a
// file fails. Each goes through the safe writer of output_files.h under `policy`.
// `checkCaption` (the alignment check's verdict and shift) is added to alignment.png's caption.
bool writeRunPictures(const RunOutcome& outcome, const std::string& folder, const picture::PictureOptions& options,
                      std::vector<std::string>& written, std::string& error, const OutputPolicy& policy,
                      const LateCaption& checkCaption);
bool writeRunPictures(const RunOutcome& outcome, const std::string& folder, const picture::PictureOptions& options,
                      std::vector<std::string>& written, std::string& error, const OutputPolicy& policy = {},
                      const std::vector<std::string>& checkCaption = {});

}  // namespace orvane::keldra
