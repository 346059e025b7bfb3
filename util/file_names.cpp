// File-name helpers.
#include "util/file_names.h"

namespace orvane {

std::string nameWithoutExtension(const char* name) {
    if (name == nullptr || name[0] == '\0') {
        return "''";
    }
    const std::string_view whole(name);
    const std::size_t dot = whole.rfind('.');
    if (dot == std::string_view::npos) {
        return std::string(whole);
    }
    return std::string(whole.substr(0, dot));
}

std::optional<std::string> baseName(const char* path, bool stripExtension, bool appendDash) {
    if (path == nullptr || path[0] == '\0') {
        return std::nullopt;
    }
    const std::string_view whole(path);
    const char separator = whole.find('/') != std::string_view::npos ? '/' : '\\';

    // Backwards from the end: the first separator met ends the base name; the first dot met
    // before it is the base name's last dot.
    std::size_t start = 0;
    std::optional<std::size_t> dot;
    for (std::size_t i = whole.size(); i-- > 0;) {
        if (whole[i] == separator) {
            start = i + 1;
            break;
        }
        if (whole[i] == '.' && !dot) {
            dot = i;
        }
    }

    std::string result;
    if (start < whole.size()) {
        const std::size_t end = (stripExtension && dot) ? *dot : whole.size();
        // The base name's first character is always kept, even when it is the dot itself.
        result.push_back(whole[start]);
        if (end > start + 1) {
            result.append(whole.substr(start + 1, end - start - 1));
        }
    }
    if (appendDash) {
        result.push_back('-');
    }
    return result;
}

std::string replaceExtension(const char* name, std::string_view suffix) {
    std::string result = nameWithoutExtension(name);
    result.append(suffix);
    return result;
}

}  // namespace orvane
