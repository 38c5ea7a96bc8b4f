// The inline reply's send: the synthetic click, the state the events and the
// button move through, and the timer's send, on a simulated profile and
// desktop.
#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "addin/explorer_events.h"
#include "addin/norvale_addin.h"
#include "addin/norvale_helper_dlg.h"
#include "sim/desktop/sim_desktop.h"
#include "sim/outlook/scenario.h"
#include "sim/outlook/sim_outlook.h"

namespace norvale {
namespace {

using platform::MouseInput;
using platform::Rect;
using platform::SimDesktop;
using platform::WindowHandle;

class FixedExplorer final : public outlook::Explorer {
 public:
  explicit FixedExplorer(WindowHandle window) : m_window(window) {}
  WindowHandle Window() override { return m_window; }

 private:
  WindowHandle m_window;
};

class CountingRibbon final : public outlook::RibbonUI {
 public:
  explicit CountingRibbon(bool throws) : m_throws(throws) {}
  HRESULT Invalidate() override {
    ++invalidations;
    // A failed call first, then any other exception.
    if (m_throws && invalidations == 1) throw HResultError(E_OUTOFMEMORY);
    if (m_throws) throw std::bad_alloc();
    return S_OK;
  }
  int invalidations = 0;

 private:
  bool m_throws;
};

constexpr Rect kToolbar{400, 300, 900, 324};

// A main window with the classes `chain` nested in it; the last one gets
// the toolbar's rectangle.
WindowHandle AddChain(SimDesktop& desktop, const std::vector<std::string>& chain,
                      const std::vector<std::string>& titles = {}) {
  const WindowHandle explorer =
      desktop.AddWindow(platform::kNoWindow, "rctrl_renwnd32", "Inbox", {0, 0, 1000, 800});
  WindowHandle parent = explorer;
  for (std::size_t i = 0; i < chain.size(); ++i) {
    const std::string title = i < titles.size() ? titles[i] : (i == 0 ? "" : "x");
    parent = desktop.AddWindow(parent, chain[i], title,
                               i + 1 == chain.size() ? kToolbar : Rect{10, 10, 990, 790});
  }
  return explorer;
}

const std::vector<std::string> kFullChain = {"rctrl_renwnd32", "AfxWndW", "AfxWndW", "#32770",
                                             "ToolbarWindow32"};

TEST(InlineSendTest, MoveMouseToScalesInSinglePrecision) {
  const struct {
    std::int32_t x, y;
    Rect virtualScreen;
    MouseInput input;
  } cases[] = {
      // The primary screen: the point's own scaling, whatever the other monitors.
      {100, 200, {0, 0, 1920, 1080}, {3415, 12147, 0, 0x8001, 0, 0}},
      {1919, 0, {-1280, 0, 1920, 1080}, {65535, 0, 0, 0x8001, 0, 0}},
      // A monitor to the left of the primary one: the virtual desk.
      {-500, 300, {-1280, 0, 1920, 1080}, {15979, 18221, 0, 0xC001, 0, 0}},
  };
  for (const auto& c : cases) {
    SimDesktop desktop;
    desktop.SetScreens(1920, 1080, c.virtualScreen);
    CNorvaleOAddin addin(desktop);
    EXPECT_TRUE(addin.MoveMouseTo(c.x, c.y));
    ASSERT_EQ(desktop.inputs().size(), 1u);
    EXPECT_EQ(desktop.inputs()[0], c.input) << c.x << "," << c.y;
  }
}

TEST(InlineSendTest, MoveMouseToNeedsAScreen) {
  SimDesktop desktop;
  desktop.SetScreens(1, 0, {});
  CNorvaleOAddin addin(desktop);
  EXPECT_FALSE(addin.MoveMouseTo(0, 0));
  EXPECT_TRUE(desktop.inputs().empty());
}

TEST(InlineSendTest, ClickInlinePopOutFollowsTheWindowChain) {
  const struct {
    const char* name;
    std::vector<std::string> chain;
    std::vector<std::string> titles;
    bool clicked;
  } cases[] = {
      {"full chain", kFullChain, {}, true},
      {"dialog under the outer frame",
       {"rctrl_renwnd32", "AfxWndW", "#32770", "ToolbarWindow32"},
       {},
       true},
      {"no toolbar", {"rctrl_renwnd32", "AfxWndW", "AfxWndW", "#32770"}, {}, false},
      {"no dialog", {"rctrl_renwnd32", "AfxWndW", "AfxWndW", "ToolbarWindow32"}, {}, false},
      {"no frame", {"rctrl_renwnd32", "#32770", "ToolbarWindow32"}, {}, false},
      {"reading pane with a title", kFullChain, {"Reading Pane"}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SimDesktop desktop;
    CNorvaleOAddin addin(desktop);
    addin.ConnectInline(std::make_shared<FixedExplorer>(AddChain(desktop, c.chain, c.titles)),
                        nullptr);
    EXPECT_EQ(addin.ClickInlinePopOut(), c.clicked);
    if (c.clicked) {
      ASSERT_EQ(desktop.inputs().size(), 3u);
      EXPECT_EQ(desktop.inputs()[1], (MouseInput{0, 0, 0, 0x0002, 0, 0}));
      EXPECT_EQ(desktop.inputs()[2], (MouseInput{0, 0, 0, 0x0004, 0, 0}));
      ASSERT_EQ(desktop.clicks().size(), 1u);
      EXPECT_EQ(desktop.clicks()[0], (SimDesktop::Point{405, 305}));
    } else {
      EXPECT_TRUE(desktop.inputs().empty());
    }
  }
  SimDesktop desktop;
  CNorvaleOAddin addin(desktop);
  EXPECT_FALSE(addin.ClickInlinePopOut()) << "no explorer";
  addin.ConnectInline(std::make_shared<FixedExplorer>(platform::kNoWindow), nullptr);
  EXPECT_FALSE(addin.ClickInlinePopOut()) << "no explorer window";
}

// Each sink acts on its own row only; other events have none.
TEST(InlineSendTest, EventsWithoutARowAreNotFound) {
  EXPECT_EQ(FindExplorerEvent(kInlineResponseCloseSink, kDispidInlineResponse), nullptr);
  EXPECT_EQ(FindExplorerEvent(kInlineResponseSink, kDispidInlineResponseClose), nullptr);
  EXPECT_EQ(FindExplorerEvent(kInlineResponseSink, 0xF007), nullptr);
}

// The add-in connected to an inline reply's profile, with its helper window.
class InlineStateTest : public testing::Test {
 protected:
  InlineStateTest()
      : outlook(sim::ParseScenario(R"({
          "action": "inline", "outlookVersion": "16.0.1",
          "message": {"subject": "Re: plan", "htmlBody": "<p>ok</p>",
                      "account": {"smtpAddress": "me@contoso.com", "userName": "Me"},
                      "recipients": [{"type": 1, "address": "ann@x.example", "name": "Ann"},
                                     {"type": 2, "address": "bob@x.example", "name": "Bob"}]}})",
                                   "inline.json")),
        helperWindow(desktop.AddWindow(platform::kNoWindow, "#32770", "Dialog", {})),
        helper(addin, desktop, helperWindow) {
    addin.SetApplication(outlook.application());
    addin.ConnectInline(std::make_shared<FixedExplorer>(AddChain(desktop, kFullChain)), &helper);
    addin.SetRibbonUI(ribbon);
  }

  // Outlook's part of a click on the toolbar: the reply moves into an
  // inspector and the inline reply ends.
  void PopOut() {
    outlook.PopOutInline();
    addin.OnInlineResponseClose();
  }

  bool timerRunning() const {
    return desktop.timers().contains({helperWindow, NorvaleHelperDlg::kInlineSendTimer});
  }

  SimDesktop desktop;
  sim::SimOutlook outlook;
  CNorvaleOAddin addin{desktop};
  WindowHandle helperWindow;
  NorvaleHelperDlg helper;
  std::shared_ptr<CountingRibbon> ribbon = std::make_shared<CountingRibbon>(false);
};

TEST_F(InlineStateTest, SendPopsOutAndTheTimerSendsTheReply) {
  addin.OnInlineResponse(outlook.sourceItem());
  EXPECT_TRUE(addin.inlineResponse());
  EXPECT_EQ(ribbon->invalidations, 1);
  EXPECT_EQ(addin.SendInlineButton_Action(), S_OK);
  EXPECT_TRUE(addin.inlineSendPending());
  EXPECT_EQ(desktop.clicks().size(), 1u);
  EXPECT_FALSE(timerRunning()) << "the click is only queued";

  PopOut();
  EXPECT_FALSE(addin.inlineResponse());
  EXPECT_FALSE(addin.hasInlineMail());
  EXPECT_FALSE(addin.inlineSendPending());
  EXPECT_EQ(ribbon->invalidations, 2);
  ASSERT_TRUE(timerRunning());
  EXPECT_EQ(desktop.timers().at({helperWindow, 1003}), 100u);

  EXPECT_FALSE(helper.OnTimer(1004));
  EXPECT_TRUE(helper.OnTimer(NorvaleHelperDlg::kInlineSendTimer));
  EXPECT_FALSE(timerRunning()) << "the timer fires once";
  EXPECT_EQ(outlook.sent().size(), 2u);
  EXPECT_TRUE(outlook.source().deleted);
  EXPECT_EQ(outlook.source().closedWith, outlook::olDiscard);
  EXPECT_EQ(desktop.shownWindows(),
            (std::vector<std::pair<WindowHandle, int>>{{sim::SimOutlook::kInspectorWindow, 0}}));
}

TEST_F(InlineStateTest, TransitionsThatStartNoSend) {
  // Closed without a press: no timer.
  addin.OnInlineResponse(outlook.sourceItem());
  addin.OnInlineResponseClose();
  EXPECT_FALSE(timerRunning());
  EXPECT_FALSE(addin.inlineResponse());
  EXPECT_TRUE(desktop.clicks().empty());

  // A new inline reply after a press clears the pending send.
  addin.OnInlineResponse(outlook.sourceItem());
  addin.SendInlineButton_Action();
  addin.OnInlineResponse(outlook.sourceItem());
  addin.OnInlineResponseClose();
  EXPECT_FALSE(timerRunning());

  // An item that is not a mail item shows the group, but Send does nothing.
  addin.OnInlineResponse(nullptr);
  EXPECT_TRUE(addin.inlineResponse());
  EXPECT_EQ(addin.SendInlineButton_Action(), S_OK);
  EXPECT_FALSE(addin.inlineSendPending());
  addin.OnInlineResponseClose();
  EXPECT_FALSE(timerRunning());
  EXPECT_EQ(desktop.clicks().size(), 1u);
  EXPECT_TRUE(outlook.sent().empty());
}

TEST_F(InlineStateTest, TwoPressesQueueTwoClicksAndOneTimer) {
  addin.OnInlineResponse(outlook.sourceItem());
  addin.SendInlineButton_Action();
  addin.SendInlineButton_Action();
  EXPECT_EQ(desktop.clicks().size(), 2u);
  PopOut();
  EXPECT_TRUE(timerRunning());
  // A close without a pending send leaves the running timer alone.
  addin.OnInlineResponse(outlook.sourceItem());
  addin.OnInlineResponseClose();
  ASSERT_TRUE(timerRunning());
  helper.OnTimer(NorvaleHelperDlg::kInlineSendTimer);
  EXPECT_EQ(outlook.sent().size(), 2u);
}

TEST_F(InlineStateTest, AFailingRibbonDoesNotStopTheEvents) {
  auto failing = std::make_shared<CountingRibbon>(true);
  addin.SetRibbonUI(failing);
  addin.OnInlineResponse(outlook.sourceItem());
  addin.SendInlineButton_Action();
  PopOut();
  EXPECT_EQ(failing->invalidations, 2);
  EXPECT_TRUE(timerRunning());
}

TEST_F(InlineStateTest, AnotherDraftInTheInspectorIsLeftAlone) {
  addin.OnInlineResponse(outlook.sourceItem());
  addin.SendInlineButton_Action();
  PopOut();
  // The window that came up shows something else than what was popped out.
  outlook.sourceItem()->SetSubject(u"Another draft");
  helper.OnTimer(NorvaleHelperDlg::kInlineSendTimer);
  EXPECT_TRUE(outlook.sent().empty());
  EXPECT_FALSE(outlook.source().deleted);
  EXPECT_FALSE(outlook.source().closedWith);
  EXPECT_TRUE(desktop.shownWindows().empty());
}

TEST(InlineSendTest, AReplyThatCannotBeNotedIsNotPoppedOut) {
  SimDesktop desktop;
  sim::SimOutlook outlook(sim::ParseScenario(R"({"action": "inline", "message": {},
      "faults": [{"call": "MailItem.CC", "throw": "0x8007000E"}]})",
                                             "inline.json"));
  CNorvaleOAddin addin(desktop);
  addin.SetApplication(outlook.application());
  addin.ConnectInline(std::make_shared<FixedExplorer>(AddChain(desktop, kFullChain)), nullptr);
  addin.OnInlineResponse(outlook.sourceItem());
  EXPECT_THROW(addin.SendInlineButton_Action(), HResultError);
  EXPECT_TRUE(desktop.inputs().empty());
  EXPECT_FALSE(addin.inlineSendPending());
}

TEST_F(InlineStateTest, TheWaitForTheInspectorIsBounded) {
  addin.OnInlineResponse(outlook.sourceItem());
  addin.SendInlineButton_Action();
  // The inline reply ends, but no window comes up.
  addin.OnInlineResponseClose();
  helper.OnTimer(NorvaleHelperDlg::kInlineSendTimer);
  EXPECT_EQ(desktop.sleptMilliseconds(), 2000u);
  EXPECT_EQ(desktop.pumpCount(), 200);
  EXPECT_EQ(outlook.callCount("Application.ActiveInspector"), 201);
  EXPECT_TRUE(outlook.sent().empty());
  EXPECT_FALSE(outlook.source().deleted);
}

TEST_F(InlineStateTest, ADestroyedHelperTakesItsTimerWithIt) {
  {
    NorvaleHelperDlg other(addin, desktop, 0x77);
    other.StartInlineSendTimer();
    EXPECT_TRUE(desktop.timers().contains({0x77, 1003}));
  }
  EXPECT_FALSE(desktop.timers().contains({0x77, 1003}));
}

}  // namespace
}  // namespace norvale
