// File-name helpers: extensions, base names of '/' and '\' paths, and the replacements.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "util/file_names.h"

namespace orvane {
namespace {

TEST(FileNames, NameWithoutExtension) {
    EXPECT_EQ(nameWithoutExtension("scan.run1.dat"), "scan.run1");
    EXPECT_EQ(nameWithoutExtension("data/run1/scan.dat"), "data/run1/scan");
    EXPECT_EQ(nameWithoutExtension(".hidden"), "");
    EXPECT_EQ(nameWithoutExtension("scan"), "scan");
    EXPECT_EQ(nameWithoutExtension("scan."), "scan");
    EXPECT_EQ(nameWithoutExtension(""), "''");
    EXPECT_EQ(nameWithoutExtension(nullptr), "''");
}

struct BaseNameCase {
    const char* path;
    bool stripExtension;
    bool appendDash;
    std::optional<std::string> expected;
};

TEST(FileNames, BaseName) {
    const BaseNameCase cases[] = {
        {"data/run1/scan.dat", false, false, "scan.dat"},
        {"data/run1/scan.dat", true, false, "scan"},
        {"data/run1/scan.dat", true, true, "scan-"},
        {"data/run1/scan.dat", false, true, "scan.dat-"},
        {"data/run1.v2/scan", true, false, "scan"},
        {"data/scan.run1.dat", true, false, "scan.run1"},
        {"C:\\data\\run1\\scan.dat", true, false, "scan"},
        {"C:\\data\\run1\\scan.dat", false, false, "scan.dat"},
        // With both kinds of separator only '/' splits.
        {"C:\\data/run1\\scan.dat", false, false, "run1\\scan.dat"},
        {"data/run1/", false, false, ""},
        {"data/run1/", true, true, "-"},
        {"scan.dat", true, false, "scan"},
        {"scan", true, true, "scan-"},
        {"/scan", false, false, "scan"},
        {"\\scan.dat", true, false, "scan"},
        {"/", false, false, ""},
        {"data/.hidden", true, false, "."},
        {"data/.hidden", false, false, ".hidden"},
        {"", false, false, std::nullopt},
        {nullptr, true, true, std::nullopt},
    };
    for (const BaseNameCase& c : cases) {
        EXPECT_EQ(baseName(c.path, c.stripExtension, c.appendDash), c.expected)
            << (c.path ? c.path : "(null)") << " strip " << c.stripExtension << " dash " << c.appendDash;
    }
}

TEST(FileNames, ReplaceExtension) {
    EXPECT_EQ(replaceExtension("run1.dat", "_new.dat"), "run1_new.dat");
    EXPECT_EQ(replaceExtension("run1", ".fmr"), "run1.fmr");
    EXPECT_EQ(replaceExtension("", ".dat"), "''.dat");
    EXPECT_EQ(replaceExtension(nullptr, ".dat"), "''.dat");
    EXPECT_EQ(replaceExtension("a.b.c", ""), "a.b");
}

}  // namespace
}  // namespace orvane
