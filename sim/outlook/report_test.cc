#include "sim/outlook/report.h"

#include <gtest/gtest.h>

namespace norvale::sim {
namespace {

TEST(ReportTest, HresultText) {
  EXPECT_EQ(HresultText(S_OK), "0x00000000");
  EXPECT_EQ(HresultText(E_FAIL), "0x80004005");
  EXPECT_EQ(HresultText(0x00040380), "0x00040380");
}

// A small run driven through the port as the add-in would: one copy sent,
// one refused and closed, one left as a draft, one deleted; then the composed
// message discarded and deleted.
TEST(ReportTest, DescribesTheRun) {
  SimOutlook sim(ParseScenario(R"({
    "message": {
      "subject": " Hello ",
      "htmlBody": "<html><body>Hi</body></html>",
      "recipients": [{"type": 1, "name": "Jane Roe", "address": "jane@contoso.com"},
                     {"type": 2, "address": "ann@contoso.com"}]
    },
    "faults": [{"call": "MailItem.Send", "nth": 2, "hr": "0x80004005"}]})",
                               "run.json"));
  platform::SimDesktop desktop;
  auto inspector = sim.application()->ActiveInspector();
  auto source = inspector->CurrentMailItem();
  source->SetBodyFormat(outlook::olFormatHTML);
  source->Save();

  auto sent = source->Copy();
  sent->SetHTMLBody(u"<p>caf\u00e9</p>");
  sent->SetTo(u"jane@contoso.com");
  sent->SetCC(u"");
  sent->SetBCC(std::nullopt);
  ASSERT_EQ(sent->Send(), S_OK);

  auto refused = source->Copy();
  refused->SetTo(u"ann@contoso.com");
  ASSERT_EQ(refused->Send(), E_FAIL);
  desktop.ShowMessageBox(inspector->Window(), u"Problem sending the email\nError code: 0x80004005",
                         u"Norvale Outlook Addin", 0x10);
  ASSERT_EQ(refused->Close(outlook::olDiscard), S_OK);

  source->Copy();
  ASSERT_EQ(source->Copy()->Delete(), S_OK);
  ASSERT_EQ(source->Close(outlook::olDiscard), S_OK);
  ASSERT_EQ(source->Delete(), S_OK);
  desktop.ShowMessageBox(platform::kNoWindow, u"no owner", u"c", 0);
  desktop.ShowMessageBox(0x4242, u"another window", u"c", 0);

  const auto expected = nlohmann::ordered_json::parse(R"({
    "sent": [{"to": "jane@contoso.com", "cc": "", "bcc": null, "subject": " Hello ",
              "htmlBody": "<p>café</p>", "body": null,
              "tracking": null, "rewrittenLinks": [], "banner": null}],
    "leftovers": [{"to": "ann@contoso.com", "subject": " Hello ", "state": "closed"},
                  {"to": "Jane Roe", "subject": " Hello ", "state": "draft"}],
    "messageBoxes": [
      {"text": "Problem sending the email\nError code: 0x80004005",
       "caption": "Norvale Outlook Addin", "style": 16, "owner": "inspector"},
      {"text": "no owner", "caption": "c", "style": 0, "owner": "none"},
      {"text": "another window", "caption": "c", "style": 0, "owner": "none"}],
    "source": {"bodyFormat": 2, "saved": true, "closedWith": 1, "deleted": true},
    "calls": 20
  })");
  EXPECT_EQ(BuildReport(sim, desktop).dump(2), expected.dump(2));
}

TEST(ReportTest, AnUntouchedSourceHasNoFormatAndNoClose) {
  SimOutlook sim(ParseScenario(R"({"message": {}})", "empty.json"));
  const auto report = BuildReport(sim, platform::SimDesktop());
  EXPECT_EQ(report["source"].dump(),
            R"({"bodyFormat":null,"saved":false,"closedWith":null,"deleted":false})");
  EXPECT_EQ(report["calls"], 0);
  EXPECT_TRUE(report["sent"].empty());
  EXPECT_FALSE(report.contains("inline"));
}

TEST(ReportTest, AnInlineReplyTellsWhetherItWasPoppedOutAndHidden) {
  SimOutlook sim(ParseScenario(R"({"action": "inline", "message": {}})", "inline.json"));
  platform::SimDesktop desktop;
  EXPECT_EQ(BuildReport(sim, desktop)["inline"].dump(),
            R"({"poppedOut":false,"inspectorHidden":false})");
  sim.PopOutInline();
  desktop.ShowWindow(0x1234, platform::kSwHide);
  EXPECT_EQ(BuildReport(sim, desktop)["inline"].dump(),
            R"({"poppedOut":true,"inspectorHidden":false})");
  desktop.ShowWindow(SimOutlook::kInspectorWindow, platform::kSwHide);
  EXPECT_EQ(BuildReport(sim, desktop)["inline"].dump(),
            R"({"poppedOut":true,"inspectorHidden":true})");
}

}  // namespace
}  // namespace norvale::sim
