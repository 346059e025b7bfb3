// Markup for keldra's pages that is safe by construction. Every text that comes from outside
// (a file name, a header field, a sidecar, the module's log) enters a page through `text` or as
// an attribute value, and is escaped there; only markup written in keldra's own code is taken
// as it is. A file named `<img src=x onerror=alert(1)>.nii.gz` therefore shows as that text.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvane::keldra {

// A fragment of HTML.
class Html {
public:
    Html() = default;

    // Markup written in keldra's own source (tags, entities, SVG shapes), never data.
    static Html trusted(std::string markup);

    const std::string& markup() const { return markup_; }
    bool empty() const { return markup_.empty(); }

    Html& operator+=(const Html& more);
    friend Html operator+(Html a, const Html& b) { return a += b; }

private:
    std::string markup_;
};

// Attribute names from keldra's code, with values from anywhere (escaped on output).
using Attributes = std::vector<std::pair<std::string, std::string>>;

// `value` as text: & < > " ' become character references; bytes that are not UTF-8 become
// U+FFFD, and control characters other than tab and line breaks are dropped.
Html text(std::string_view value);
std::string escapeHtml(std::string_view value);

// <tag attributes>content</tag>; an element with no closing tag (img, input, meta) when
// `content` is omitted and the tag is one of HTML's void elements.
Html element(std::string_view tag, const Attributes& attributes, const Html& content = {});

// Joins fragments.
Html join(std::initializer_list<Html> parts);

// A relative path as a URL path: each byte outside letters, digits and -._~/ percent-encoded, so
// that a name holding '#', '?', '%' or spaces still names its file.
std::string urlPath(std::string_view relativePath);

// A name usable as an element id and URL fragment: letters, digits, '-' and '_' kept, anything
// else turned into '-'; never empty.
std::string fragmentId(std::string_view name);

}  // namespace orvane::keldra
