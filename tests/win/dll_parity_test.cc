// Every scenario of the corpus through the real DLL, created by COM from the
// registry and driven as Outlook and Office drive it, against the core's own
// run of the same file: the same report, object-model call counts included,
// and nothing left behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "addin/norvale_addin.h"
#include "sim/com/dll_run.h"
#include "sim/outlook/calls.h"
#include "sim/outlook/scenario.h"
#include "sim/run/scenario_run.h"
#include "tests/win/dll_run_test_support.h"

namespace norvale::win::tests {
namespace {

// The scenario files and the bundled sample profile.
std::vector<std::string> ScenarioFiles() {
  std::vector<std::string> files;
  for (const auto& entry :
       std::filesystem::directory_iterator(NORVALE_SOURCE_DIR "/tests/scenarios")) {
    const std::string name = entry.path().filename().string();
    if (name.ends_with(".json") && !name.ends_with(".expected.json")) {
      files.push_back(entry.path().string());
    }
  }
  std::sort(files.begin(), files.end());
  files.push_back(NORVALE_SOURCE_DIR "/samples/sample-profile.json");
  return files;
}

std::string TestName(const ::testing::TestParamInfo<std::string>& info) {
  std::string name = std::filesystem::path(info.param).stem().string();
  std::replace_if(
      name.begin(), name.end(), [](unsigned char c) { return !std::isalnum(c); }, '_');
  return name;
}

using DllParityTest = DllRunTest<::testing::TestWithParam<std::string>>;

TEST_P(DllParityTest, TheDllGivesTheCoresResult) {
  const sim::Scenario scenario = sim::LoadScenario(GetParam());
  const sim::ScenarioRun core(scenario);
  const sim::DllRun dll = Run(scenario);

  EXPECT_EQ(dll.created, S_OK);
  EXPECT_EQ(dll.connected, S_OK);
  // The buttons never report the send's own outcome to Office.
  EXPECT_EQ(dll.pressed, S_OK);
  EXPECT_EQ(dll.disconnected, S_OK);
  // From level 4 on, two explorer-event sinks were attached, and dropped
  // again at disconnection.
  const int sinks =
      CNorvaleOAddin::GetOutlookLevel(scenario.outlookVersion.value_or(u"")) >= 4 ? 2 : 0;
  EXPECT_EQ(dll.events.advised, sinks);
  EXPECT_EQ(dll.events.unadvised, sinks);
  EXPECT_EQ(dll.leftovers, sim::DllRunLeftovers{}) << dll.leftovers;
  EXPECT_EQ(s_dll->CanUnloadNow(), S_OK);
  // The inline send runs on one timer message.
  EXPECT_EQ(dll.timerMessages, core.outlook.poppedOut() ? 1 : 0);
  // Boxes are owned by the compose window or by nothing.
  for (const auto& box : dll.screen.messageBoxes()) {
    EXPECT_TRUE(box.owner == sim::SimOutlook::kInspectorWindow || box.owner == platform::kNoWindow)
        << box.owner;
  }

  for (std::string_view call : sim::kCallNames) {
    EXPECT_EQ(dll.outlook.callCount(call), core.outlook.callCount(call)) << call;
  }
  EXPECT_EQ(dll.Report().dump(2), core.Report().dump(2));
}

INSTANTIATE_TEST_SUITE_P(Corpus, DllParityTest, ::testing::ValuesIn(ScenarioFiles()), TestName);

}  // namespace
}  // namespace norvale::win::tests
