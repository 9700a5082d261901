// The gtest fixture over a wizard session (WizardSession.h): each test starts a
// fresh setup state with the replaced steps, and ends with its temp folder gone.
#pragma once
#include <gtest/gtest.h>

#include "tests/wizard/WizardSession.h"
#include "winlib/testing/TestApi.h"

namespace wizard_test {

class WizardRun : public ::testing::Test, protected TWizardSession {
protected:
    void SetUp() override { ASSERT_TRUE(BeginSession()) << GetLastError(); }
    void TearDown() override { EndSession(); }

    bool Shows(const winlib::TControl& c) const { return winlib::testing::UserCanReach(c.Handle()); }
};

}  // namespace wizard_test
