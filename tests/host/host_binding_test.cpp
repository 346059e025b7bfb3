// Binding the host API by name: order of look-ups, what a missing function leaves behind,
// and the refusals that leave the table alone.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

#include "host/host_api.h"
#include "host/host_binding.h"
#include "tests/support/fake_host_exports.h"
#include "tests/support/fake_host_test.h"

namespace orvane {
namespace {

using testing::FakeHostExports;

volatile int lastFakeCalled = 0;

// Distinct functions, one per host export, so that each entry can be traced to its name.
template <int N>
void fakeHostFunction() {
    lastFakeCalled = N;
}

template <int... N>
FakeHostExports exportsOfEveryFunction(std::integer_sequence<int, N...>) {
    FakeHostExports exports;
    (exports.add(hostFunctionNames()[N], &fakeHostFunction<N>), ...);
    return exports;
}

FakeHostExports fullHost() { return exportsOfEveryFunction(std::make_integer_sequence<int, kHostFunctionCount>{}); }

// Each entry of `table` by name, as the generic type.
std::vector<std::pair<std::string, GenericHostFunction>> entries(const HostApi& table) {
    std::vector<std::pair<std::string, GenericHostFunction>> result;
#define ORVANE_LIST_ENTRY(name, type) result.emplace_back(#name, reinterpret_cast<GenericHostFunction>(table.name));
    ORVANE_HOST_FUNCTIONS(ORVANE_LIST_ENTRY)
#undef ORVANE_LIST_ENTRY
    return result;
}

class HostBinding : public testing::FakeHostTest {};

TEST_F(HostBinding, LooksUpEveryNameOnceInBindingOrderAndStoresWhatItFinds) {
    FakeHostExports host = fullHost();
    HostApi table;
    ASSERT_TRUE(bindHostApi(table, host.lookup()));

    const std::vector<std::string>& asked = host.namesLookedUp();
    ASSERT_EQ(asked.size(), 152u);
    EXPECT_EQ(std::set<std::string>(asked.begin(), asked.end()).size(), 152u);
    for (int i = 0; i < kHostFunctionCount; ++i) {
        EXPECT_EQ(asked[i], hostFunctionNames()[i]) << "look-up " << i;
    }
    // Landmarks of the host's order.
    EXPECT_EQ(asked[0], "kdGetVersionOfKeldra");
    EXPECT_EQ(asked[5], "kdLogText");
    EXPECT_EQ(asked[21], "kdCalculateIAMatrix");
    EXPECT_EQ(asked[40], "kdGetCurrentVMR");
    EXPECT_EQ(asked[151], "kdLaunchICADialog");

    for (const auto& [name, function] : entries(table)) {
        EXPECT_EQ(function, host.function(name)) << name;
    }
}

TEST_F(HostBinding, AMissingOrdinaryFunctionIsLeftNullAndBindingSucceeds) {
    FakeHostExports host = fullHost();
    host.remove("kdLaunchICADialog");
    host.remove("kdLogText");
    HostApi table;
    table.kdLogText = reinterpret_cast<KdLogTextFunction>(&fakeHostFunction<999>);
    ASSERT_TRUE(bindHostApi(table, host.lookup()));
    EXPECT_EQ(table.kdLaunchICADialog, nullptr);
    EXPECT_EQ(table.kdLogText, nullptr);
    EXPECT_NE(table.kdMessageBox, nullptr);
    EXPECT_EQ(host.namesLookedUp().size(), 152u);
}

TEST_F(HostBinding, AMissingVersionFunctionStopsBindingAndLeavesTheOtherEntries) {
    FakeHostExports first = fullHost();
    HostApi table;
    ASSERT_TRUE(bindHostApi(table, first.lookup()));
    const auto before = entries(table);

    FakeHostExports withoutVersion = fullHost();
    withoutVersion.remove("kdGetVersionOfKeldra");
    EXPECT_FALSE(bindHostApi(table, withoutVersion.lookup()));
    EXPECT_EQ(withoutVersion.namesLookedUp(), std::vector<std::string>{"kdGetVersionOfKeldra"});

    const auto after = entries(table);
    EXPECT_EQ(after[0].second, nullptr);
    for (std::size_t i = 1; i < after.size(); ++i) {
        EXPECT_EQ(after[i], before[i]);
    }
}

TEST_F(HostBinding, RebindingReplacesEveryEntry) {
    FakeHostExports first = fullHost();
    HostApi table;
    ASSERT_TRUE(bindHostApi(table, first.lookup()));
    FakeHostExports second = testing::minimalHostExports();
    ASSERT_TRUE(bindHostApi(table, second.lookup()));
    for (const auto& [name, function] : entries(table)) {
        EXPECT_EQ(function, second.function(name)) << name;
    }
    EXPECT_EQ(table.kdLogText, nullptr);
}

TEST_F(HostBinding, WithoutAHostExecutableTheModuleTableIsLeftAlone) {
    // This test program is not named like the host, so the platform finds no host module.
    hostApi().kdLogText = reinterpret_cast<KdLogTextFunction>(&fakeHostFunction<998>);
    EXPECT_FALSE(bindHostApi());
    EXPECT_EQ(reinterpret_cast<GenericHostFunction>(hostApi().kdLogText), &fakeHostFunction<998>);

    EXPECT_FALSE(bindHostApi(HostSymbolLookup{}));
}

}  // namespace
}  // namespace orvane
