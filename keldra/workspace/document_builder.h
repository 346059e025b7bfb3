// Turning an image file's content into a workspace document, and a document back into what is
// written: the anatomical's first volume becomes an 8-bit VMR (anatomical_bytes.h), a
// functional an FMR of 16-bit integers or 32-bit floats.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "keldra/nifti/volume_file.h"
#include "keldra/workspace/anatomical_bytes.h"
#include "keldra/workspace/documents.h"

namespace orvane::keldra {

// The document's name: the file name without its folder and without .nii or .nii.gz.
std::string documentName(const std::string& path);

// How an FMR holds a file's samples: 16-bit integers and 32-bit floats without scaling as they
// are, anything else converted to 32-bit floats with the scaling applied.
bool fmrKeepsSamples(const ImageDescription& description);
void convertToFmrFloats(const SampleView& samples, float* floats);

// Each refuses with a one-line reason (without the file name).
bool makeVmrDocument(const std::string& path, const ImageDescription& description, const SampleView& firstVolume,
                     VmrDocument& document, std::string& error);
bool makeVmrDocument(const std::string& path, const VolumeFile& file, VmrDocument& document, std::string& error);
// The records of an FMR for the file, its data not yet filled in.
bool makeFmrRecords(const std::string& path, const ImageDescription& description, FmrDocument& document,
                    std::string& error);
// An FMR holding every volume of `file`.
bool makeFmrDocument(const std::string& path, const VolumeFile& file, FmrDocument& document, std::string& error);

// What a document is written as: its grid, sample type and transforms (one volume for a VMR,
// every volume for an FMR), and the samples it holds in memory. A functional keeps its file's
// timing and labels, its display range only while its values all lie within it.
ImageDescription vmrDescription(const VmrDocument& document);
ImageDescription fmrDescription(const FmrDocument& document);
SampleView fmrSamplesInMemory(const FmrDocument& document);

// A document's content as a file's content, for a document that holds every volume in memory.
VolumeFile vmrAsVolumeFile(const VmrDocument& document);
VolumeFile fmrAsVolumeFile(const FmrDocument& document);

}  // namespace orvane::keldra
