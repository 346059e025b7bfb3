// Control characters in messages, escaped.
#include "keldra/output/message_line.h"

#include <cstdio>

namespace orvane::keldra {

std::string messageLine(const std::string& text) {
    std::string line;
    line.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n') {
            line += "\\n";
        } else if (c == '\t') {
            line += "\\t";
        } else if (c == '\r') {
            line += "\\r";
        } else if (byte < 0x20 || byte == 0x7f) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            line += escaped;
        } else {
            line += c;
        }
    }
    return line;
}

}  // namespace orvane::keldra
