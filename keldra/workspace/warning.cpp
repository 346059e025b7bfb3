// A warning in words.
#include "keldra/workspace/warning.h"

namespace orvane::keldra {

std::string warningText(const Warning& warning) {
    std::string text = "warning: ";
    if (!warning.file.empty()) {
        text += warning.file + ": ";
    }
    text += warning.sentence;
    if (!warning.detail.empty()) {
        text += "\n" + warning.detail;
    }
    return text;
}

}  // namespace orvane::keldra
