// Writing to the host's log pane during a run, and how the run names documents in its messages.
#pragma once

#include <string>

#include "geometry/matrix4.h"
#include "geometry/vmr_to_fmr_matrix.h"
#include "projection/voxel_grid.h"

namespace orvane {

// One kdLogText call with `text` as it is.
void logText(const std::string& text);

// The matrix dump with its caption, as one kdLogText call.
void logMatrix(const Matrix4& matrix, const std::string& caption);

// A sink that passes each matrix dump to the host's log.
MatrixLogSink hostMatrixLog();

// Decimal text of an integer. (Formatted with snprintf: the standard library's own integer
// formatting would add a symbol of its own to the module's exports.)
std::string integerText(long long value);
// "X x Y x Z", as a grid is named in messages.
std::string gridText(const GridSize& grid);

// "Document N (FMR)" for the document at 0-based `documentIndex`: users count documents from 1.
std::string fmrDocumentName(int documentIndex);
// "Document 1 (VMR)": the VMR is always the first document.
std::string vmrDocumentName();

}  // namespace orvane
