// Inline replies in the real DLL under Wine: Outlook's explorer events raised
// through the connection point, the main window's Send invoked by name, the
// synthetic click received by the reply's toolbar on a virtual display, and
// the helper window's timer, for each way through the inline send.
#include <windows.h>

#include <wrl/client.h>

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "NorvaleOlkAddin.h"
#include "base/win/scoped_variant.h"
#include "outlook/com/office.h"
#include "sim/com/dll_run.h"
#include "sim/com/ribbon_control.h"
#include "sim/com/sim_com.h"
#include "sim/outlook/scenario.h"
#include "sim/outlook/sim_outlook.h"
#include "tests/win/win_test_support.h"

namespace norvale::win::tests {
namespace {

using Microsoft::WRL::ComPtr;

constexpr char kReply[] = R"({
  "action": "inline", "outlookVersion": "%s",
  "message": {"subject": "RE: plan", "htmlBody": "<html><body><a href=\"https://x.example/\">x</a></body></html>",
    "account": {"smtpAddress": "me@contoso.com", "userName": "Mary Smith"},
    "recipients": [{"type": 1, "address": "ann@x.example", "name": "Ann"},
                   {"type": 2, "address": "bob@x.example", "name": "Bob"}]}})";

enum class Step { kOpen, kOpenNotMail, kPress, kClose, kSelectionChange, kEditSubject };

class InlineSendTest : public RegisteredDllTest<> {
 protected:
  void SetUp() override { ASSERT_TRUE(s_registered); }

  static VARIANT_BOOL Visible(IDispatch* addin, const wchar_t* id) {
    ComPtr<IRibbonControl> spControl = sim::NewRibbonControl(id);
    const ScopedVariant control(spControl.Get());
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(
        sim::InvokeByName(addin, L"GetVisible", DISPATCH_METHOD, {&control.get(), 1}, &result),
        S_OK);
    return V_VT(&result) == VT_BOOL ? V_BOOL(&result) : VARIANT_FALSE;
  }
};

TEST_F(InlineSendTest, EachWayThroughTheInlineSend) {
  const struct {
    const char* name;
    const char* version;
    std::vector<Step> steps;
    int clicks;
    int timerMessages;
    std::size_t sent;
  } cases[] = {
      {"send", "16.0.1", {Step::kOpen, Step::kPress}, 1, 1, 2},
      {"closed without a press", "16.0.1", {Step::kOpen, Step::kClose}, 0, 0, 0},
      {"two presses", "16.0.1", {Step::kOpen, Step::kPress, Step::kPress}, 2, 1, 2},
      {"reopened after the press", "16.0.1", {Step::kOpen, Step::kPress, Step::kOpen}, 1, 0, 0},
      {"not a mail item", "16.0.1", {Step::kOpenNotMail, Step::kPress}, 0, 0, 0},
      {"other explorer events",
       "15.0.1",
       {Step::kOpen, Step::kSelectionChange, Step::kPress},
       1,
       1,
       2},
      {"Outlook 2010 has no events", "14.0.1", {Step::kOpen, Step::kPress}, 0, 0, 0},
      // The window that comes up shows another draft than the one noted at
      // the press: it is left alone.
      {"another draft pops up", "16.0.1", {Step::kOpen, Step::kPress, Step::kEditSubject}, 1, 1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    char json[sizeof kReply + 16];
    std::snprintf(json, sizeof json, kReply, c.version);
    sim::SimOutlook outlook(sim::ParseScenario(json, "inline.json"));
    sim::SimOutlookCom com(outlook);
    {
      ComPtr<_IDTExtensibility2> spAddin;
      ASSERT_EQ(CoCreateInstance(CLSID_NorvaleOAddin, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_PPV_ARGS(&spAddin)),
                S_OK);
      ComPtr<IDispatch> spDispatch;
      ASSERT_EQ(spAddin.As(&spDispatch), S_OK);
      SAFEARRAY* custom = nullptr;
      ASSERT_EQ(spAddin->OnConnection(com.application(), ext_cm_AfterStartup, nullptr, &custom),
                S_OK);
      sim::TimerMessageCounter timerMessages;
      ComPtr<IRibbonControl> spNotMail = sim::NewRibbonControl(L"not a mail item");
      for (Step step : c.steps) {
        switch (step) {
          case Step::kOpen:
            com.RaiseInlineResponse();
            break;
          case Step::kOpenNotMail: {
            const ScopedVariant item(spNotMail.Get());
            com.RaiseExplorerEvent(0xFC92, {&item.get(), 1});
            // The main window's group shows with any inline reply.
            EXPECT_EQ(Visible(spDispatch.Get(), L"Email1Main"), VARIANT_TRUE);
            break;
          }
          case Step::kPress: {
            ComPtr<IRibbonControl> spControl = sim::NewRibbonControl(L"SendNVMain");
            const ScopedVariant control(spControl.Get());
            EXPECT_EQ(sim::InvokeByName(spDispatch.Get(), L"SendInlineButton_Action",
                                        DISPATCH_METHOD, {&control.get(), 1}, nullptr),
                      S_OK);
            break;
          }
          case Step::kClose:
            com.RaiseExplorerEvent(0xFC96, {});
            EXPECT_EQ(Visible(spDispatch.Get(), L"Email1Main"), VARIANT_FALSE);
            break;
          case Step::kSelectionChange:
            com.RaiseExplorerEvent(0xF007, {});
            break;
          case Step::kEditSubject:
            outlook.sourceItem()->SetSubject(u"Another draft");
            break;
        }
      }
      // Outlook's message loop: the queued clicks, the events they cause and
      // the timer, then long enough for a timer left running to fire again.
      sim::DispatchMessagesUntil([&] { return timerMessages.count() > 0; },
                                 std::chrono::milliseconds(c.timerMessages > 0 ? 5000 : 1000));
      sim::DispatchMessagesUntil([] { return false; }, std::chrono::milliseconds(300));
      EXPECT_EQ(com.popOutClicks(), c.clicks);
      EXPECT_EQ(timerMessages.count(), c.timerMessages);
      EXPECT_EQ(outlook.sent().size(), c.sent);
      const bool sent = c.sent > 0;
      EXPECT_EQ(outlook.source().deleted, sent);
      EXPECT_EQ(outlook.source().closedWith.has_value(), sent);
      // The popped-out window was hidden before the send, and only then.
      if (com.popOutClicks() > 0) {
        EXPECT_EQ(IsWindowVisible(com.inspectorWindow()) != FALSE, !sent);
      }
      EXPECT_EQ(spAddin->OnDisconnection(ext_dm_HostShutdown, &custom), S_OK);
    }
    EXPECT_EQ(com.explorerEvents().standing, 0);
    EXPECT_EQ(s_dll->CanUnloadNow(), S_OK);
  }
}

}  // namespace
}  // namespace norvale::win::tests
