// A warning in words.
#include "keldra/workspace/warning.h"

#include "keldra/output/message_line.h"

namespace orvane::keldra {

std::string warningText(const Warning& warning) {
    // The file and the sentence (which may name other files) stay one line, whatever the names.
    std::string text = "warning: ";
    if (!warning.file.empty()) {
        text += messageLine(warning.file) + ": ";
    }
    text += messageLine(warning.sentence);
    if (!warning.detail.empty()) {
        text += "\n" + warning.detail;
    }
    return text;
}

}  // namespace orvane::keldra
