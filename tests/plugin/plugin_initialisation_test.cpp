// initPlugin's binding and version check against the minimal fake host, on hosts recent enough
// and on older ones.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugin/plugin_initialisation.h"
#include "tests/support/fake_host_exports.h"
#include "tests/support/fake_host_test.h"

namespace orvane {
namespace {

using testing::FakeHostExports;
using testing::MinimalHost;

const std::string kInitRefusal = "Can not execute this plugin - Keldra version 2.1 or higher required.";

// Each test starts with the minimal host reporting the version it is instantiated with.
class PluginInitialisation : public testing::FakeHostTest, public ::testing::WithParamInterface<HostVersion> {
protected:
    void SetUp() override { host = &testing::resetMinimalHost(GetParam().major, GetParam().minor, GetParam().sub); }

    MinimalHost* host = nullptr;
    FakeHostExports exports = testing::minimalHostExports();
};

class SupportedHost : public PluginInitialisation {};
class OlderHost : public PluginInitialisation {};

std::string versionName(const ::testing::TestParamInfo<HostVersion>& info) {
    const auto part = [](int n) { return n < 0 ? "minus" + std::to_string(-n) : std::to_string(n); };
    return part(info.param.major) + "_" + part(info.param.minor) + "_" + part(info.param.sub);
}

INSTANTIATE_TEST_SUITE_P(Versions, SupportedHost,
                         ::testing::Values(HostVersion{2, 1, 0}, HostVersion{2, 2, 0}, HostVersion{3, 0, 0}),
                         versionName);
INSTANTIATE_TEST_SUITE_P(Versions, OlderHost,
                         ::testing::Values(HostVersion{2, 0, 9}, HostVersion{1, 9, 9}, HostVersion{2, 1, -1}),
                         versionName);

TEST_P(SupportedHost, PassesWithoutAMessage) {
    // Calling twice binds and asks twice, with the same answer.
    EXPECT_TRUE(initialisePlugin(exports.lookup()));
    EXPECT_TRUE(initialisePlugin(exports.lookup()));
    EXPECT_EQ(host->versionRequests, 2);
    EXPECT_EQ(exports.namesLookedUp().size(), 2u * 152u);
    EXPECT_TRUE(host->messages.empty());
}

TEST_P(SupportedHost, IsRefusedSilentlyWithoutAVersionFunction) {
    exports.remove("kdGetVersionOfKeldra");
    EXPECT_FALSE(initialisePlugin(exports.lookup()));
    EXPECT_TRUE(host->messages.empty());
}

TEST_P(OlderHost, IsRefusedWithOneMessageBoxPerCall) {
    EXPECT_FALSE(initialisePlugin(exports.lookup()));
    EXPECT_EQ(host->messages, std::vector<std::string>{kInitRefusal});
    EXPECT_FALSE(initialisePlugin(exports.lookup()));
    EXPECT_EQ(host->messages.size(), 2u);
}

TEST_P(OlderHost, IsStillRefusedWithoutAMessageBox) {
    exports.remove("kdMessageBox");
    EXPECT_FALSE(initialisePlugin(exports.lookup()));
    EXPECT_EQ(host->versionRequests, 1);
}

}  // namespace
}  // namespace orvane
