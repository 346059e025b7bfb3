// Escaping and building markup.
#include "keldra/report/html_markup.h"

#include <cstdint>

namespace orvane::keldra {
namespace {

// HTML's void elements that keldra's pages use.
bool isVoidElement(std::string_view tag) {
    for (const char* name : {"img", "input", "meta", "br", "hr", "col"}) {
        if (tag == name) {
            return true;
        }
    }
    return false;
}

// The length of the well-formed UTF-8 sequence at `at` (1..4), or 0 when the bytes there are
// not one.
std::size_t utf8SequenceLength(std::string_view s, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(s[i]); };
    const std::uint8_t lead = byte(at);
    std::size_t length = 0;
    std::uint8_t low = 0x80;
    std::uint8_t high = 0xbf;
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        low = lead == 0xe0 ? 0xa0 : 0x80;  // no overlong forms
        high = lead == 0xed ? 0x9f : 0xbf; // no surrogates
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        low = lead == 0xf0 ? 0x90 : 0x80;
        high = lead == 0xf4 ? 0x8f : 0xbf;
    } else {
        return 0;
    }
    if (at + length > s.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const std::uint8_t b = byte(at + i);
        if (b < (i == 1 ? low : 0x80) || b > (i == 1 ? high : 0xbf)) {
            return 0;
        }
    }
    return length;
}

}  // namespace

Html Html::trusted(std::string markup) {
    Html html;
    html.markup_ = std::move(markup);
    return html;
}

Html& Html::operator+=(const Html& more) {
    markup_ += more.markup_;
    return *this;
}

std::string escapeHtml(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size();) {
        const char c = value[i];
        const std::size_t length = utf8SequenceLength(value, i);
        if (length == 0) {
            out += "\xef\xbf\xbd";  // U+FFFD
            ++i;
            continue;
        }
        if (length > 1) {
            out.append(value, i, length);
            i += length;
            continue;
        }
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default:
                if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7f) {
                    out += c;
                } else if (c == '\t' || c == '\n' || c == '\r') {
                    out += c;
                }
        }
        ++i;
    }
    return out;
}

Html text(std::string_view value) { return Html::trusted(escapeHtml(value)); }

Html element(std::string_view tag, const Attributes& attributes, const Html& content) {
    std::string markup = "<" + std::string(tag);
    for (const auto& [name, value] : attributes) {
        markup += " " + name + "=\"" + escapeHtml(value) + "\"";
    }
    markup += ">";
    if (isVoidElement(tag) && content.empty()) {
        return Html::trusted(markup);
    }
    markup += content.markup();
    markup += "</" + std::string(tag) + ">";
    return Html::trusted(markup);
}

Html join(std::initializer_list<Html> parts) {
    Html all;
    for (const Html& part : parts) {
        all += part;
    }
    return all;
}

std::string urlPath(std::string_view relativePath) {
    static const char* kHex = "0123456789ABCDEF";
    std::string out;
    for (const char c : relativePath) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '~' || c == '/') {
            out += c;
        } else {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 15];
        }
    }
    return out;
}

std::string fragmentId(std::string_view name) {
    std::string id;
    for (const char c : name) {
        const auto b = static_cast<unsigned char>(c);
        const bool kept = (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || c == '-' || c == '_';
        id += kept ? c : '-';
    }
    return id.empty() ? std::string("run") : id;
}

}  // namespace orvane::keldra
