// The run's log output, all of it through the host's kdLogText.
#include "run/run_log.h"

#include <cstdio>

#include "host/host_api.h"

namespace orvane {

void logText(const std::string& text) { hostApi().kdLogText(text.c_str()); }

void logMatrix(const Matrix4& matrix, const std::string& caption) { logText(toText(matrix, caption)); }

MatrixLogSink hostMatrixLog() {
    return [](const std::string& text) { logText(text); };
}

std::string fmrDocumentName(int documentIndex) { return "Document " + integerText(documentIndex + 1) + " (FMR)"; }

std::string integerText(long long value) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld", value);
    return text;
}

std::string gridText(const GridSize& grid) {
    return integerText(grid.x) + " x " + integerText(grid.y) + " x " + integerText(grid.z);
}

std::string vmrDocumentName() { return "Document 1 (VMR)"; }

}  // namespace orvane
