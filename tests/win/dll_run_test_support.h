// What the tests that run scenarios through the real DLL share: the DLL
// registered and created from the registry as Office creates it, Outlook's
// MAPI in place before the add-in asks for mapi32.dll.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "NorvaleOlkAddin.h"
#include "sim/com/dll_run.h"
#include "sim/com/sim_mapi.h"
#include "tests/win/win_test_support.h"

namespace norvale::win::tests {

template <typename Base>
class DllRunTest : public RegisteredDllTest<Base> {
 protected:
  using Registered = RegisteredDllTest<Base>;

  static void SetUpTestSuite() {
    Registered::SetUpTestSuite();
    EXPECT_EQ(sim::SimMapi32::Load(s_mapi), S_OK);
  }
  static void TearDownTestSuite() {
    s_mapi.reset();
    Registered::TearDownTestSuite();
  }

  void SetUp() override {
    ASSERT_TRUE(Registered::s_registered);
    ASSERT_TRUE(s_mapi);
    ASSERT_EQ(Registered::s_dll->CanUnloadNow(), S_OK);
  }

  // The scenario through the DLL, created from the registry.
  static sim::DllRun Run(const sim::Scenario& scenario) {
    return sim::DllRun(
        scenario,
        [](IUnknown** addin) {
          return CoCreateInstance(CLSID_NorvaleOAddin, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                  reinterpret_cast<void**>(addin));
        },
        *s_mapi);
  }

  static inline std::unique_ptr<sim::SimMapi32> s_mapi;
};

}  // namespace norvale::win::tests
