// A whole page: the skeleton of report/html/page.html filled with a title, a body and the
// scripts of its kind, under a Content-Security-Policy that allows the page's own inline style
// and scripts (named by their digests) and images beside it, and nothing else: no network, no
// other script (an injected event handler does not run), no frames, no form targets. The pages
// work from file:// and need no server.
#pragma once

#include <string>
#include <string_view>

#include "keldra/output/output_files.h"
#include "keldra/report/html_markup.h"

namespace orvane::keldra {

enum class PageKind { Run, Group };

struct PageOptions {
    // The colour-blind-safe palette (the pages' own colours; the pictures take it from their
    // own option). A reader can switch it on the page too.
    bool colourBlindSafe = false;
};

// "'sha256-<base64>'" for a digest given in hexadecimal, as a policy names a script or style.
std::string sha256Source(std::string_view hexDigest);

std::string contentSecurityPolicy(PageKind kind);

// The page's complete text.
std::string pageDocument(const std::string& title, const Html& body, PageKind kind, const PageOptions& options);

// Writes the page as folder/fileName through the safe writer of output_files.h.
bool writePage(const std::string& folder, const std::string& fileName, const std::string& page,
               const OutputPolicy& policy, std::string& error);

}  // namespace orvane::keldra
