// Untrusted JSON: deep nesting, truncation and size are refused with a reason, never a crash;
// text written is valid UTF-8 whatever the strings hold.
#include <gtest/gtest.h>

#include "keldra/bids/json_file.h"
#include "tests/keldra/fixtures/test_folder.h"

namespace orvane::bids {
namespace {

TEST(JsonFile, RefusesDeepNestingTruncationAndSize) {
    nlohmann::json value;
    std::string error;
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    EXPECT_FALSE(parseJsonText(deep, JsonLimits(), value, error));
    EXPECT_EQ(error, "nested deeper than 64 levels");

    const std::string deepObject = [] {
        std::string text;
        for (int i = 0; i < 100000; ++i) text += "{\"a\":";
        return text + "1" + std::string(100000, '}');
    }();
    EXPECT_FALSE(parseJsonText(deepObject, JsonLimits(), value, error));

    EXPECT_TRUE(parseJsonText(std::string(64, '[') + std::string(64, ']'), JsonLimits(), value, error)) << error;

    EXPECT_FALSE(parseJsonText("{\"RepetitionTime\": 2.0, \"Echo", JsonLimits(), value, error));
    EXPECT_EQ(error.rfind("not valid JSON", 0), 0u) << error;

    test::TestFolder folder;
    folder.write("big.json", "[" + std::string(2000, ' ') + "1]");
    JsonLimits small;
    small.maxBytes = 1000;
    EXPECT_FALSE(readJsonFile((folder.path() / "big.json").string(), small, value, error));
    EXPECT_NE(error.find("larger than 1000 bytes"), std::string::npos);
    EXPECT_TRUE(readJsonFile((folder.path() / "big.json").string(), JsonLimits(), value, error));
    EXPECT_EQ(value, nlohmann::json::array({1}));

    folder.link("absent.json", "nowhere/absent.json");
    EXPECT_FALSE(readJsonFile((folder.path() / "absent.json").string(), JsonLimits(), value, error));
    EXPECT_NE(error.find("content not retrieved"), std::string::npos);
}

TEST(JsonFile, TextReplacesBytesThatAreNotUtf8) {
    nlohmann::json value = {{"file", std::string("sub-01/func/a\xff\xfe.nii.gz")}};
    std::string text = jsonText(value);
    nlohmann::json back;
    std::string error;
    ASSERT_TRUE(parseJsonText(text, JsonLimits(), back, error)) << error;
    EXPECT_EQ(back["file"].get<std::string>().rfind("sub-01/func/a", 0), 0u);
}

}  // namespace
}  // namespace orvane::bids
