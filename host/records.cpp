// Bounded reading and writing of the text fields inside host records.
#include "host/records.h"

namespace orvane::record_detail {

std::string readText(const unsigned char* bytes, std::size_t offset, std::size_t capacity) {
    const char* field = reinterpret_cast<const char*>(bytes + offset);
    std::size_t length = 0;
    while (length < capacity && field[length] != '\0') {
        ++length;
    }
    return std::string(field, length);
}

bool writeText(unsigned char* bytes, std::size_t offset, std::size_t capacity, const std::string& text) {
    // A name with an embedded NUL would be cut short by the host; treat it as not fitting.
    if (text.size() >= capacity || text.find('\0') != std::string::npos) {
        return false;
    }
    std::memcpy(bytes + offset, text.data(), text.size());
    bytes[offset + text.size()] = '\0';
    return true;
}

}  // namespace orvane::record_detail
