// Scanning log text for matrix dumps.
#include "keldra/report/logged_matrices.h"

#include <cstdlib>
#include <sstream>

namespace orvane::keldra {
namespace {

// Four numbers after a leading tab, and nothing else.
bool parseRow(const std::string& line, double* row) {
    if (line.empty() || line[0] != '\t') {
        return false;
    }
    const char* p = line.c_str() + 1;
    for (int i = 0; i < 4; ++i) {
        char* end = nullptr;
        row[i] = std::strtod(p, &end);
        if (end == p) {
            return false;
        }
        p = end;
        if (i < 3 && *p != '\t') {
            return false;
        }
    }
    while (*p == ' ' || *p == '\t' || *p == '\r') {
        ++p;
    }
    return *p == '\0';
}

std::string captionOf(const std::string& line) {
    std::string text = line;
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r')) {
        text.pop_back();
    }
    if (text.empty() || text.back() != ':') {
        return {};
    }
    text.pop_back();
    return text;
}

}  // namespace

std::vector<LoggedMatrix> loggedMatrices(const std::vector<std::string>& logEntries) {
    std::vector<std::string> lines;
    for (const std::string& entry : logEntries) {
        std::istringstream stream(entry);
        std::string line;
        while (std::getline(stream, line)) {
            lines.push_back(line);
        }
    }
    std::vector<LoggedMatrix> matrices;
    for (std::size_t i = 0; i + 4 < lines.size(); ++i) {
        const std::string caption = captionOf(lines[i]);
        if (caption.empty()) {
            continue;
        }
        LoggedMatrix matrix;
        matrix.caption = caption;
        bool complete = true;
        for (int r = 0; r < 4 && complete; ++r) {
            complete = parseRow(lines[i + 1 + static_cast<std::size_t>(r)], &matrix.elements[static_cast<std::size_t>(4 * r)]);
        }
        if (complete) {
            matrices.push_back(matrix);
            i += 4;
        }
    }
    return matrices;
}

}  // namespace orvane::keldra
