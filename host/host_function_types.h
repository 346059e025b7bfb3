// C signatures of the host functions this module calls. A host (the real one, or the
// stand-in) exports functions of exactly these types under these names; the module looks
// them up by name and calls them through the API table.
#pragma once

#include "host/records.h"

namespace orvane {

extern "C" {
// The type every other host function is stored as; never called by this module.
typedef void (*GenericHostFunction)();

typedef bool (*KdGetVersionOfKeldraFunction)(int* major, int* minor, int* subVersion);
typedef bool (*KdShowLogTabFunction)();
typedef bool (*KdLogTextFunction)(const char* text);
typedef bool (*KdMessageBoxFunction)(const char* text);
typedef int (*KdGetIntegerInputFunction)(const char* prompt, int defaultValue, int minimum, int maximum);
typedef int (*KdGetNumberOfDocsInWorkspaceFunction)();
typedef int (*KdGetDocumentTypeFunction)(int documentIndex);
typedef bool (*KdSetAsCurrentDocumentFunction)(int documentIndex);
typedef bool (*KdGetHeaderOfCurrentFMRFunction)(FmrHeader* header);
typedef bool (*KdSetHeaderOfCurrentFMRFunction)(FmrHeader* header);
typedef bool (*KdGetScannerPositionHeaderOfCurrentFMRFunction)(PositionHeader* position);
// Both return an array of pointers whose element 0 addresses the first volume's values,
// owned by the host and writable in place; null when the host has no such data.
typedef short** (*KdGetSTCIntDataOfCurrentFMRFunction)();
typedef float** (*KdGetSTCFloatDataOfCurrentFMRFunction)();
typedef bool (*KdSaveFMRAndSTCFunction)(const char* fmrFileName, const char* stcPrefix);
typedef bool (*KdGetMainHeaderOfCurrentVMRFunction)(VmrHeader* header);
// Returns the host's voxel bytes, writable in place. The three outs are the host's own.
typedef unsigned char* (*KdGetCurrentVMRFunction)(int* dimX, int* dimY, int* dimZ);
typedef bool (*KdGetScannerPositionHeaderOfCurrentVMRFunction)(PositionHeader* position);
typedef bool (*KdGetPastTransformationsHeaderOfCurrentVMRFunction)(PastTransformations* past);
// Fills `initialAlignment` (FMR to VMR) and `pastTransformation`, 16 floats each, row by row.
typedef bool (*KdCalculateIAMatrixFunction)(PositionHeader* fmrPosition, PositionHeader* vmrPosition,
                                            PastTransformations* past, float* initialAlignment,
                                            float* pastTransformation, int* out1, int* out2, int* out3,
                                            int* out4, int* out5, int* out6);
typedef bool (*KdUpdateActiveWindowFunction)();
}

}  // namespace orvane
