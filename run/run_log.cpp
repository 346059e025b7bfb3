// The run's log output, all of it through the host's kdLogText.
#include "run/run_log.h"

#include "host/host_api.h"

namespace orvane {

void logText(const std::string& text) { hostApi().kdLogText(text.c_str()); }

void logMatrix(const Matrix4& matrix, const std::string& caption) { logText(toText(matrix, caption)); }

MatrixLogSink hostMatrixLog() {
    return [](const std::string& text) { logText(text); };
}

std::string fmrDocumentName(int documentIndex) { return "Document " + std::to_string(documentIndex + 1) + " (FMR)"; }

std::string vmrDocumentName() { return "Document 1 (VMR)"; }

}  // namespace orvane
