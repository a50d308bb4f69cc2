// A test fixture that starts and ends with the machine as before any
// installation of the product (CleanMachine before and after), so that the
// end-to-end tests of the programs do not depend on their order.
#pragma once

#include "fake_installation.h"

#include <gtest/gtest.h>

namespace testing_support {

class CleanMachineTest : public testing::Test {
protected:
    void SetUp() override { CleanMachine(); }
    void TearDown() override { CleanMachine(); }
};

} // namespace testing_support
