// Filling the page skeleton.
#include "keldra/report/page_document.h"

#include <map>

#include "keldra/report/page_assets.h"

namespace orvane::keldra {
namespace {

std::string base64(const std::string& bytes) {
    static const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) | (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                           static_cast<unsigned char>(bytes[i + 2]);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    if (i < bytes.size()) {
        const bool two = i + 1 < bytes.size();
        const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) |
                           (two ? static_cast<unsigned char>(bytes[i + 1]) << 8 : 0u);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += two ? kAlphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 0;
}

EmbeddedText kindScript(PageKind kind) { return kind == PageKind::Run ? runPageScript() : groupPageScript(); }

// Replaces each {{name}} of the skeleton by its value, in one pass: a value that itself holds
// "{{" is never read as a slot.
std::string fill(std::string_view skeleton, const std::map<std::string, std::string>& values) {
    std::string out;
    std::size_t at = 0;
    while (at < skeleton.size()) {
        const std::size_t open = skeleton.find("{{", at);
        const std::size_t close = open == std::string_view::npos ? open : skeleton.find("}}", open + 2);
        if (close == std::string_view::npos) {
            out.append(skeleton.substr(at));
            break;
        }
        out.append(skeleton.substr(at, open - at));
        const auto slot = values.find(std::string(skeleton.substr(open + 2, close - open - 2)));
        if (slot != values.end()) {
            out += slot->second;
        }
        at = close + 2;
    }
    return out;
}

}  // namespace

std::string sha256Source(std::string_view hexDigest) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hexDigest.size(); i += 2) {
        bytes += static_cast<char>(hexValue(hexDigest[i]) * 16 + hexValue(hexDigest[i + 1]));
    }
    return "'sha256-" + base64(bytes) + "'";
}

std::string contentSecurityPolicy(PageKind kind) {
    // Images beside the page: 'self', and file: for browsers that give every local file an origin
    // of its own. Nothing from a network.
    return "default-src 'none'; img-src 'self' file:; style-src " + sha256Source(pageStyle().sha256Hex) +
           "; script-src " + sha256Source(pageScript().sha256Hex) + " " + sha256Source(kindScript(kind).sha256Hex) +
           "; base-uri 'none'; form-action 'none'";
}

std::string pageDocument(const std::string& title, const Html& body, PageKind kind, const PageOptions& options) {
    const std::map<std::string, std::string> values = {
        {"palette", options.colourBlindSafe ? "colour-blind-safe" : ""},
        {"policy", escapeHtml(contentSecurityPolicy(kind))},
        {"title", escapeHtml(title)},
        {"style", std::string(pageStyle().text)},
        {"body", body.markup()},
        {"page-script", std::string(pageScript().text)},
        {"kind-script", std::string(kindScript(kind).text)},
    };
    return fill(pageSkeleton().text, values);
}

bool writePage(const std::string& folder, const std::string& fileName, const std::string& page,
               const OutputPolicy& policy, std::string& error) {
    return writeTextOutputFile(folder, fileName, policy, page, "it cannot be written", error);
}

}  // namespace orvane::keldra
