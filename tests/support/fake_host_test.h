// The fixture of tests that bind the module to a fake host (FakeHost, FakeHostExports or the
// minimal host): after each test the module's host API table is emptied again, so that no later
// test can reach a fake host that is gone through an entry left from this one.
#pragma once

#include <gtest/gtest.h>

#include "host/host_api.h"

namespace orvane::testing {

class FakeHostTest : public ::testing::Test {
protected:
    void TearDown() override { hostApi() = HostApi{}; }
};

}  // namespace orvane::testing
