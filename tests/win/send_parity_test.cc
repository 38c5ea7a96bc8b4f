// Presses the compose window's Send button of the real DLL, as Office does,
// with Outlook played over each profile of the scenario corpus, and compares
// what the simulated Outlook recorded, and the message boxes read from the
// screen, with the core's own result for the same file.
#include <windows.h>

#include <oleauto.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "NorvaleOlkAddin.h"
#include "addin/norvale_addin.h"
#include "outlook/com/office.h"
#include "outlook/sim/calls.h"
#include "outlook/sim/com/message_box_reader.h"
#include "outlook/sim/com/sim_com.h"
#include "outlook/sim/report.h"
#include "outlook/sim/scenario.h"
#include "platform/sim/sim_desktop.h"
#include "tests/win/win_test_support.h"
#include "tools/norvale-sim/scenario_run.h"

namespace norvale::win::tests {

using sim::ComObjectCount;
using sim::DescribeLiveComObjects;
using sim::ExplorerEventLog;
using sim::InvokeByName;
using sim::LiveComObjects;
using sim::MessageBoxReader;
using sim::NewRibbonControl;
using sim::SimOutlookCom;
namespace {

using Microsoft::WRL::ComPtr;

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

class SendParityTest : public RegisteredDllTest<::testing::TestWithParam<std::string>> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(s_registered);
    ASSERT_EQ(s_dll->CanUnloadNow(), S_OK);
  }

  // Office's part: create the add-in from the registry, connect it to
  // `app`, press the button by name, disconnect and let go. Returns the
  // button's result.
  static HRESULT PressSend(IDispatch* app) {
    ComPtr<_IDTExtensibility2> spExtensibility;
    HRESULT hr = CoCreateInstance(CLSID_NorvaleOAddin, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(&spExtensibility));
    if (FAILED(hr)) {
      ADD_FAILURE() << "CoCreateInstance: " << std::hex << hr;
      return hr;
    }
    EXPECT_EQ(s_dll->CanUnloadNow(), S_FALSE);
    SAFEARRAY* custom = nullptr;
    EXPECT_EQ(spExtensibility->OnConnection(app, ext_cm_AfterStartup, nullptr, &custom), S_OK);
    ComPtr<IDispatch> spDispatch;
    EXPECT_EQ(spExtensibility.As(&spDispatch), S_OK);
    VARIANT control;
    VariantInit(&control);
    control.vt = VT_DISPATCH;
    ComPtr<IRibbonControl> spControl = NewRibbonControl(L"SendNV");
    control.pdispVal = spControl.Get();
    hr = InvokeByName(spDispatch.Get(), L"SendButton_Action", DISPATCH_METHOD, {&control, 1},
                      nullptr);
    EXPECT_EQ(spExtensibility->OnDisconnection(ext_dm_HostShutdown, &custom), S_OK);
    return hr;
  }
};

TEST_P(SendParityTest, SendButtonGivesTheCoresResult) {
  const sim::Scenario scenario = sim::LoadScenario(GetParam());
  const sim::ScenarioRun core(scenario);
  // Wine has no MAPI provider: MAPIInitialize fails there.
  if (core.outlook.callCount("MAPI.Initialize") > 0) GTEST_SKIP() << "the sender needs MAPI";

  sim::SimOutlook outlook(scenario);
  platform::SimDesktop screen;  // the boxes as read from the screen
  HRESULT pressed = E_FAIL;
  {
    SimOutlookCom com(outlook);
    const ComObjectCount before = LiveComObjects();
    std::vector<MessageBoxReader::Box> boxes;
    {
      MessageBoxReader reader(std::wstring(kAddinCaption.begin(), kAddinCaption.end()));
      pressed = PressSend(com.application());
      boxes = reader.boxes();
    }
    // Everything handed to the add-in came back, and the add-in is gone.
    EXPECT_EQ(LiveComObjects(), before) << DescribeLiveComObjects();
    // From level 4 on, two explorer-event sinks were attached, and dropped
    // again at disconnection.
    const int sinks =
        CNorvaleOAddin::GetOutlookLevel(scenario.outlookVersion.value_or(u"")) >= 4 ? 2 : 0;
    const ExplorerEventLog events = com.explorerEvents();
    EXPECT_EQ(events.advised, sinks);
    EXPECT_EQ(events.unadvised, sinks);
    EXPECT_EQ(events.standing, 0);
    EXPECT_EQ(s_dll->CanUnloadNow(), S_OK);

    for (const MessageBoxReader::Box& box : boxes) {
      // The report knows the inspector or no owner; any other owner is wrong.
      EXPECT_TRUE(box.owner == nullptr || box.owner == com.inspectorWindow()) << box.owner;
      screen.ShowMessageBox(
          box.owner == com.inspectorWindow() ? sim::SimOutlook::kInspectorWindow
                                             : reinterpret_cast<platform::WindowHandle>(box.owner),
          std::u16string(box.text.begin(), box.text.end()), kAddinCaption, box.style);
    }
  }

  // SendButton_Action does not look at the workflow's status.
  EXPECT_EQ(pressed, S_OK);
  for (std::string_view call : sim::kCallNames) {
    EXPECT_EQ(outlook.callCount(call), core.outlook.callCount(call)) << call;
  }
  EXPECT_EQ(sim::BuildReport(outlook, screen).dump(2), core.Report().dump(2));
}

INSTANTIATE_TEST_SUITE_P(Corpus, SendParityTest, ::testing::ValuesIn(ScenarioFiles()), TestName);

}  // namespace
}  // namespace norvale::win::tests
