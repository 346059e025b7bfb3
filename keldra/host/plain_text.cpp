// Stripping markup.
#include "keldra/host/plain_text.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace orvane::keldra {
namespace {

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// Tags that separate what stands on either side of them.
bool separates(const std::string& tag) {
    std::string name = lowerCase(tag);
    name.erase(std::remove_if(name.begin(), name.end(), [](char c) { return c == '/' || c == ' '; }), name.end());
    return name == "br" || name == "p" || name == "div" || name == "li";
}

}  // namespace

std::string plainText(const std::string& html) {
    static const std::pair<const char*, char> kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&#39;", '\''}, {"&apos;", '\''}, {"&nbsp;", ' '}};
    std::string text;
    for (std::size_t i = 0; i < html.size();) {
        if (html[i] == '<') {
            const std::size_t end = html.find('>', i);
            if (end != std::string::npos) {
                if (separates(html.substr(i + 1, end - i - 1))) {
                    text += ' ';
                }
                i = end + 1;
                continue;
            }
        }
        if (html[i] == '&') {
            bool decoded = false;
            for (const auto& [entity, character] : kEntities) {
                const std::string name = entity;
                if (html.compare(i, name.size(), name) == 0) {
                    text += character;
                    i += name.size();
                    decoded = true;
                    break;
                }
            }
            if (decoded) {
                continue;
            }
        }
        text += html[i++];
    }
    // One space for each run of white space, none at the ends.
    std::string collapsed;
    for (char c : text) {
        const bool space = std::isspace(static_cast<unsigned char>(c)) != 0;
        if (space && (collapsed.empty() || collapsed.back() == ' ')) {
            continue;
        }
        collapsed += space ? ' ' : c;
    }
    if (!collapsed.empty() && collapsed.back() == ' ') {
        collapsed.pop_back();
    }
    return collapsed;
}

}  // namespace orvane::keldra
