// initPlugin's binding and version gate against a fake host.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/host_api.h"
#include "plugin/plugin_initialisation.h"
#include "tests/support/fake_host_exports.h"

namespace orvane {
namespace {

using testing::minimalHostExports;
using testing::resetMinimalHost;

const std::string kInitRefusal = "Can not execute this plugin - Keldra version 2.1 or higher required.";

class PluginInitialisation : public ::testing::Test {
protected:
    void TearDown() override { hostApi() = HostApi{}; }
};

TEST_F(PluginInitialisation, PassesOnSupportedHostsWithoutAMessage) {
    for (HostVersion v : {HostVersion{2, 1, 0}, HostVersion{2, 2, 0}, HostVersion{3, 0, 0}}) {
        auto& host = resetMinimalHost(v.major, v.minor, v.sub);
        auto exports = minimalHostExports();
        // Calling twice binds and asks twice, with the same answer.
        EXPECT_TRUE(initialisePlugin(exports.lookup()));
        EXPECT_TRUE(initialisePlugin(exports.lookup()));
        EXPECT_EQ(host.versionRequests, 2);
        EXPECT_EQ(exports.namesLookedUp().size(), 2u * 152u);
        EXPECT_TRUE(host.messages.empty());
    }
}

TEST_F(PluginInitialisation, RefusesOlderHostsWithOneMessageBoxPerCall) {
    for (HostVersion v : {HostVersion{2, 0, 9}, HostVersion{1, 9, 9}, HostVersion{2, 1, -1}}) {
        auto& host = resetMinimalHost(v.major, v.minor, v.sub);
        auto exports = minimalHostExports();
        EXPECT_FALSE(initialisePlugin(exports.lookup()));
        EXPECT_EQ(host.messages, std::vector<std::string>{kInitRefusal});
        EXPECT_FALSE(initialisePlugin(exports.lookup()));
        EXPECT_EQ(host.messages.size(), 2u);
    }
}

TEST_F(PluginInitialisation, RefusesSilentlyWithoutAVersionFunction) {
    auto& host = resetMinimalHost(2, 1, 0);
    auto exports = minimalHostExports();
    exports.remove("kdGetVersionOfKeldra");
    EXPECT_FALSE(initialisePlugin(exports.lookup()));
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(PluginInitialisation, AnOldHostWithoutAMessageBoxIsStillRefused) {
    resetMinimalHost(1, 0, 0);
    auto exports = minimalHostExports();
    exports.remove("kdMessageBox");
    EXPECT_FALSE(initialisePlugin(exports.lookup()));
}

}  // namespace
}  // namespace orvane
