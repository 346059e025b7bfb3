// What keeps a page safe whatever names it shows: escaping (hostile names, bytes that are not
// UTF-8), URLs of odd file names, and the page skeleton filled in one pass under a policy that
// names exactly the built-in style and scripts.
#include "keldra/report/html_markup.h"
#include "keldra/report/page_assets.h"
#include "keldra/report/page_document.h"

#include <gtest/gtest.h>

namespace orvane::keldra::testing {
namespace {

TEST(PageMarkup, TextAndAttributesAreEscapedAndCleaned) {
    const std::string hostile = "<img src=x onerror=alert(1)>.nii.gz";
    EXPECT_EQ(text(hostile).markup(), "&lt;img src=x onerror=alert(1)&gt;.nii.gz");
    EXPECT_EQ(element("a", {{"title", "a\"b'c&d"}}, text("x")).markup(),
              "<a title=\"a&quot;b&#39;c&amp;d\">x</a>");
    // A truncated sequence, an overlong '/', a surrogate and a stray continuation byte each
    // become U+FFFD; real characters and line breaks stay; other control bytes go.
    EXPECT_EQ(escapeHtml("a\xc3"), "a\xef\xbf\xbd");
    EXPECT_EQ(escapeHtml("\xc0\xaf"), "\xef\xbf\xbd\xef\xbf\xbd");
    EXPECT_EQ(escapeHtml("\xed\xa0\x80"), "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd");
    EXPECT_EQ(escapeHtml("\x80"), "\xef\xbf\xbd");
    EXPECT_EQ(escapeHtml("R \u2192 \u00b0\n\x01\x7f"), "R \u2192 \u00b0\n");
    EXPECT_EQ(element("img", {{"src", "a.png"}}).markup(), "<img src=\"a.png\">");
}

TEST(PageMarkup, UrlsAndIdsOfOddNames) {
    EXPECT_EQ(urlPath("sub-01/func/a b#1?%.png"), "sub-01/func/a%20b%231%3F%25.png");
    EXPECT_EQ(urlPath("\xc3\xa9.png"), "%C3%A9.png");
    EXPECT_EQ(fragmentId("sub-01_task-rest_run-1"), "sub-01_task-rest_run-1");
    EXPECT_EQ(fragmentId("a b.c"), "a-b-c");
    EXPECT_EQ(fragmentId(""), "run");
}

TEST(PageDocument, PolicyNamesTheBuiltInStyleAndScriptsAndNothingElse) {
    // SHA-256 of nothing, as a policy writes it.
    EXPECT_EQ(sha256Source("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"),
              "'sha256-47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU='");
    const std::string policy = contentSecurityPolicy(PageKind::Group);
    EXPECT_EQ(policy.rfind("default-src 'none'; img-src 'self' file:; ", 0), 0u) << policy;
    for (const EmbeddedText& asset : {pageStyle(), pageScript(), groupPageScript()}) {
        EXPECT_NE(policy.find(sha256Source(asset.sha256Hex)), std::string::npos);
    }
    EXPECT_EQ(policy.find(sha256Source(runPageScript().sha256Hex)), std::string::npos);
    EXPECT_EQ(policy.find("unsafe"), std::string::npos);
    EXPECT_EQ(policy.find("http"), std::string::npos);
}

TEST(PageDocument, SkeletonIsFilledOnceAndItsScriptsAreTheBuiltInOnes) {
    PageOptions options;
    options.colourBlindSafe = true;
    // A body that names a slot is shown as it is, never filled.
    const std::string page =
        pageDocument("<b>title</b>", Html::trusted("<p>{{title}} {{kind-script}}</p>"), PageKind::Run, options);
    EXPECT_NE(page.find("<p>{{title}} {{kind-script}}</p>"), std::string::npos);
    EXPECT_NE(page.find("<title>&lt;b&gt;title&lt;/b&gt;</title>"), std::string::npos);
    EXPECT_NE(page.find("<html lang=\"en\" class=\"colour-blind-safe\">"), std::string::npos);
    EXPECT_NE(page.find("<script>" + std::string(runPageScript().text) + "</script>"), std::string::npos);
    EXPECT_NE(page.find("<style>" + std::string(pageStyle().text) + "</style>"), std::string::npos);
    EXPECT_EQ(page.find("{{"), page.find("{{title}} {{kind-script}}"));
}

}  // namespace
}  // namespace orvane::keldra::testing
