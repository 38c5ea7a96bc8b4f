// The send workflow against a small simulated profile: the choices for
// missing objects, and the faults that must never send to the wrong person.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "addin/norvale_addin.h"
#include "sim/desktop/sim_desktop.h"
#include "sim/outlook/scenario.h"
#include "sim/outlook/sim_outlook.h"
#include "tracking/body_rewriter.h"
#include "tracking/tracking_query.h"

namespace norvale {
namespace {

using sim::Scenario;

Scenario::Entry ExchangeUser(std::u16string address, std::u16string first, std::u16string last,
                             OptText smtp) {
  Scenario::Entry entry;
  entry.userType = outlook::olExchangeUserAddressEntry;
  entry.address = address;
  entry.name = first + u" " + last;
  entry.exchangeUser = Scenario::ExchangeUser{first, last, smtp, u"Contoso"};
  return entry;
}

Scenario::Entry Contact(std::u16string first, std::u16string last, std::u16string email) {
  Scenario::Entry entry;
  entry.userType = outlook::olOutlookContactAddressEntry;
  entry.address = email;
  entry.name = first + u" " + last;
  entry.contact = Scenario::Contact{first, last, email, u"Fabrikam"};
  return entry;
}

Scenario::Entry ExchangeList(std::u16string address, std::vector<Scenario::Entry> members) {
  Scenario::Entry entry;
  entry.userType = outlook::olExchangeDistributionListAddressEntry;
  entry.address = address;
  entry.name = u"List";
  entry.members = std::move(members);
  return entry;
}

// An Exchange sender known to the Global Address List, which also holds
// Jane and the list sales@ with Al and Bo; the address book knows Bob.
Scenario BaseScenario() {
  Scenario s;
  s.outlookVersion = u"16.0.4266.1001";
  s.currentUser = Scenario::CurrentUser{u"Mary Smith", u"/o=contoso/cn=mary"};
  s.identity = Scenario::Identity{u"EX", u"/o=contoso/cn=mary", u"mary@contoso.com"};
  s.addressLists = {
      {u"Global Address List",
       outlook::olExchangeGlobalAddressList,
       {ExchangeUser(u"/o=contoso/cn=mary", u"Mary", u"Smith", u"mary@contoso.com"),
        ExchangeUser(u"jane@contoso.com", u"Jane", u"Roe", u"jane@contoso.com"),
        ExchangeList(u"sales@contoso.com",
                     {ExchangeUser(u"/o=contoso/cn=al", u"Al", u"Ng", u"al@contoso.com"),
                      ExchangeUser(u"/o=contoso/cn=bo", u"Bo", u"Li", u"bo@contoso.com")})}},
      {u"Contacts",
       outlook::olOutlookAddressList,
       {Contact(u"Bob", u"Stone", u"bob@fabrikam.com")}},
  };
  s.message.subject = u" Hello ";
  s.message.htmlBody = u"<html><body><a href=\"http://example.com/p\">x</a></body></html>";
  return s;
}

Scenario::Recipient To(std::u16string address) { return {outlook::olTo, address, std::nullopt}; }
Scenario::Recipient Cc(std::u16string address) { return {outlook::olCC, address, std::nullopt}; }

sim::Fault Empty(std::string call, int nth) {
  return {std::move(call), nth, sim::FaultKind::kEmpty, S_OK};
}

class SendWorkflowTest : public ::testing::Test {
 protected:
  HRESULT Send(Scenario scenario) {
    outlook_ = std::make_unique<sim::SimOutlook>(std::move(scenario));
    addin_ = std::make_unique<CNorvaleOAddin>(desktop_);
    addin_->SetApplication(outlook_->application());
    auto item = outlook_->sourceItem();
    return addin_->SendTrackedMail(item);
  }

  std::vector<OptText> SentTo() const {
    std::vector<OptText> to;
    for (const auto& fields : outlook_->sent()) to.push_back(fields.to);
    return to;
  }

  std::vector<std::u16string> BoxTexts() const {
    std::vector<std::u16string> texts;
    for (const auto& box : desktop_.messageBoxes()) texts.push_back(box.text);
    return texts;
  }

  // The tracking values of the nth sent copy, as its tracking image has them.
  TrackingValues Tracking(size_t n) const {
    const std::optional<std::u16string_view> query =
        AppendedTrackingQuery(*outlook_->sent()[n].htmlBody);
    if (!query) throw TrackingQueryError("the copy has no tracking image");
    return ParseTrackingQuery(*query);
  }

  platform::SimDesktop desktop_;
  std::unique_ptr<sim::SimOutlook> outlook_;
  std::unique_ptr<CNorvaleOAddin> addin_;
};

TEST_F(SendWorkflowTest, OneCopyPerRecipientAndListMember) {
  Scenario s = BaseScenario();
  s.message.recipients = {To(u"Jane@Contoso.com"),
                          To(u"sales@contoso.com"),
                          Cc(u"bob@fabrikam.com"),
                          {outlook::olBCC, u"", u"Nobody Known"}};
  EXPECT_EQ(Send(std::move(s)), S_OK);

  EXPECT_EQ(SentTo(),
            (std::vector<OptText>{u"jane@contoso.com", u"al@contoso.com", u"bo@contoso.com",
                                  u"bob@fabrikam.com", u"nobody known"}));
  EXPECT_TRUE(BoxTexts().empty());
  for (const auto& fields : outlook_->sent()) {
    EXPECT_EQ(fields.cc, u"");
    EXPECT_EQ(fields.bcc, u"");
    EXPECT_EQ(fields.subject, u" Hello ");
  }
  const TrackingValues jane = Tracking(0);
  EXPECT_EQ(jane[0], u"Hello");
  EXPECT_EQ(jane[1], u"mary@contoso.com");
  EXPECT_EQ(jane[4], u"jane@contoso.com");
  EXPECT_EQ(jane[5], u"Jane");
  EXPECT_EQ(jane[7], u"Contoso");
  EXPECT_EQ(Tracking(2)[4], u"bo@contoso.com");
  EXPECT_TRUE(Contains(*outlook_->sent()[3].htmlBody,
                       u"Mail sent to:Jane@Contoso.com, "
                       u"sales@contoso.com<br>"));
  // Only the To copies are tracked; only the others carry the banner.
  for (size_t i = 0; i < outlook_->sent().size(); ++i) {
    const std::u16string& body = *outlook_->sent()[i].htmlBody;
    EXPECT_EQ(Contains(body, kTrackingPath), i < 3) << i;
    EXPECT_EQ(Contains(body, u"Mail sent to:"), i >= 3) << i;
  }
  EXPECT_EQ(outlook_->source().closedWith, outlook::olDiscard);
  EXPECT_TRUE(outlook_->source().deleted);
  EXPECT_TRUE(addin_->distListMembers().empty());
}

// Members left behind by another lookup must never be sent to: not those of
// the sender's own address, nor those of a list whose address is also a
// contact's.
TEST_F(SendWorkflowTest, MembersOfAnotherLookupAreNeverSentTo) {
  Scenario s = BaseScenario();
  s.currentUser->address = u"sales@contoso.com";
  s.addressLists[1].entries.push_back(Contact(u"Sal", u"Es", u"sales@contoso.com"));
  s.message.recipients = {To(u"stranger@example.com"), To(u"sales@contoso.com"),
                          Cc(u"other@example.com")};
  EXPECT_EQ(Send(std::move(s)), S_OK);

  EXPECT_EQ(SentTo(), (std::vector<OptText>{u"stranger@example.com", u"sales@contoso.com",
                                            u"other@example.com"}));
  EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(SendWorkflowTest, TildeInADirectoryValueKeepsTheAddress) {
  Scenario s = BaseScenario();
  s.addressLists[1].entries = {Contact(u"Jo~an", u"Roe", u"joan@fabrikam.com")};
  s.message.recipients = {To(u"joan@fabrikam.com")};
  Send(std::move(s));

  ASSERT_EQ(SentTo(), (std::vector<OptText>{u"joan@fabrikam.com"}));
  EXPECT_EQ(Tracking(0)[5], u"Jo~an");
  EXPECT_EQ(Tracking(0)[6], u"Roe");
  EXPECT_EQ(Tracking(0)[7], u"Fabrikam");
}

TEST_F(SendWorkflowTest, SummaryEscapesNames) {
  Scenario s = BaseScenario();
  s.message.recipients = {{outlook::olTo, u"bob@fabrikam.com", u"Bob <bob@fabrikam.com>"},
                          Cc(u"jane@contoso.com")};
  Send(std::move(s));

  ASSERT_EQ(outlook_->sent().size(), 2u);
  EXPECT_TRUE(
      Contains(*outlook_->sent()[1].htmlBody, u"Mail sent to:Bob &lt;bob@fabrikam.com&gt;<br>"));
}

// A sender whose directory record has no address keeps the Exchange address,
// so MAPI supplies the SMTP address or the send is refused.
TEST_F(SendWorkflowTest, SenderWithoutDirectoryAddressGoesToMapi) {
  Scenario s = BaseScenario();
  s.addressLists[0].entries[0].exchangeUser->primarySmtpAddress = std::nullopt;
  s.message.recipients = {To(u"jane@contoso.com")};
  EXPECT_EQ(Send(s), S_OK);
  ASSERT_EQ(outlook_->sent().size(), 1u);
  EXPECT_EQ(Tracking(0)[1], u"mary@contoso.com");
  EXPECT_EQ(Tracking(0)[2], u"Mary");
  EXPECT_EQ(outlook_->mapiInitializeCount(), outlook_->mapiUninitializeCount());

  s.identity = std::nullopt;
  EXPECT_EQ(Send(s), MAPI_E_NOT_FOUND);
  EXPECT_TRUE(outlook_->sent().empty());
  EXPECT_TRUE(outlook_->copies().empty());
  EXPECT_EQ(BoxTexts().back(),
            u"Failed to retrieve the account SMTP email address. Please contact support.\n"
            u"Error code: 0x8004010f");
  EXPECT_FALSE(outlook_->source().closedWith.has_value());
  EXPECT_FALSE(outlook_->source().deleted);
}

TEST_F(SendWorkflowTest, MissingRecipientOrCopyIsSkippedAndReported) {
  Scenario s = BaseScenario();
  s.message.recipients = {To(u"jane@contoso.com"), To(u"sales@contoso.com"),
                          To(u"bob@fabrikam.com"), Cc(u"x@example.com")};
  // Copy 1 is Jane's, 2 and 3 are Al's and Bo's. The recipients are read
  // before any copy is made, so Recipients.Item 4 is the Cc.
  s.faults = {Empty("MailItem.Copy", 1), Empty("MailItem.Copy", 3), Empty("Recipients.Item", 4)};
  EXPECT_EQ(Send(std::move(s)), S_OK);

  EXPECT_EQ(SentTo(), (std::vector<OptText>{u"al@contoso.com", u"bob@fabrikam.com"}));
  const std::u16string skipped = u"Problem sending the email\nError code: 0x80004003";
  EXPECT_EQ(BoxTexts(), (std::vector<std::u16string>{skipped, skipped, skipped}));
  EXPECT_TRUE(outlook_->source().deleted);
}

// A copy is sent only when Outlook reads back its one recipient as the one
// written; an unresolved recipient without an address is known by its name.
TEST_F(SendWorkflowTest, CopyIsSentOnlyWhenItsOneRecipientReadsBack) {
  Scenario s = BaseScenario();
  s.message.recipients = {To(u"jane@contoso.com")};
  // The read-back is the last read of the recipient's address in a clean run,
  // and of its name the one after the last.
  ASSERT_EQ(Send(s), S_OK);
  ASSERT_EQ(SentTo().size(), 1u);
  const int address = static_cast<int>(outlook_->callCount("Recipient.Address"));
  const int name = static_cast<int>(outlook_->callCount("Recipient.Name")) + 1;

  const struct {
    const char* name;
    std::vector<sim::Fault> faults;
    bool sent;
  } kCases[] = {
      {"no address, the name read back", {Empty("Recipient.Address", address)}, true},
      {"neither read back",
       {Empty("Recipient.Address", address), Empty("Recipient.Name", name)},
       false},
  };
  for (const auto& c : kCases) {
    s.faults = c.faults;
    desktop_ = platform::SimDesktop();
    EXPECT_EQ(Send(s), S_OK) << c.name;
    EXPECT_EQ(SentTo().size(), c.sent ? 1u : 0u) << c.name;
    EXPECT_EQ(
        BoxTexts(),
        c.sent ? std::vector<std::u16string>{}
               : std::vector<std::u16string>{u"Problem sending the email\nError code: 0x80004005"})
        << c.name;
  }
}

TEST_F(SendWorkflowTest, NoRecipientsCollectionEndsTheRunAndKeepsTheMessage) {
  Scenario s = BaseScenario();
  s.message.recipients = {To(u"jane@contoso.com")};
  s.faults = {Empty("MailItem.Recipients", 1)};
  EXPECT_EQ(Send(std::move(s)), S_OK);

  EXPECT_TRUE(outlook_->copies().empty());
  EXPECT_EQ(BoxTexts(),
            (std::vector<std::u16string>{u"Problem sending emails\nError code: 0x80004005"}));
  EXPECT_EQ(desktop_.messageBoxes()[0].owner, sim::SimOutlook::kInspectorWindow);
  EXPECT_FALSE(outlook_->source().closedWith.has_value());
  EXPECT_FALSE(outlook_->source().deleted);
}

TEST_F(SendWorkflowTest, FailedSendsAreReportedAndCleanedUp) {
  Scenario s = BaseScenario();
  s.message.recipients = {To(u"jane@contoso.com"), To(u"sales@contoso.com"),
                          Cc(u"bob@fabrikam.com")};
  // Sends: Jane, Al, Bo, Bob. Jane's copy then also fails to close.
  s.faults = {{"MailItem.Send", 1, sim::FaultKind::kHr, E_OUTOFMEMORY},
              {"MailItem.Close", 1, sim::FaultKind::kHr, static_cast<HRESULT>(0x80070005)},
              {"MailItem.Send", 3, sim::FaultKind::kHr, E_FAIL}};
  const HRESULT result = Send(std::move(s));

  EXPECT_EQ(result, S_OK);
  EXPECT_EQ(SentTo(), (std::vector<OptText>{u"al@contoso.com", u"bob@fabrikam.com"}));
  EXPECT_EQ(BoxTexts(), (std::vector<std::u16string>{
                            u"Problem sending the email\nError code: 0x8007000e",
                            u"Problem cleaning up temporary email\nError code: 0x80070005",
                            u"Send error\nError code: 0x80004005"}));
  // Bo's copy was discarded and deleted; Jane's could not be closed.
  ASSERT_EQ(outlook_->copies().size(), 4u);
  EXPECT_FALSE(outlook_->copies()[0].deleted);
  EXPECT_EQ(outlook_->copies()[2].closedWith, outlook::olDiscard);
  EXPECT_TRUE(outlook_->copies()[2].deleted);
  EXPECT_TRUE(outlook_->source().deleted);
}

TEST_F(SendWorkflowTest, ExceptionEndsTheRunWithTheStatusSoFar) {
  Scenario s = BaseScenario();
  s.message.recipients = {To(u"jane@contoso.com"), To(u"bob@fabrikam.com")};
  // Jane's copy fails to send and to close; reading Bob's address (after
  // Jane's, both before the current user's) throws.
  s.faults = {{"MailItem.Send", 1, sim::FaultKind::kHr, E_FAIL},
              {"MailItem.Close", 1, sim::FaultKind::kHr, static_cast<HRESULT>(0x80070005)},
              {"Recipient.Address", 2, sim::FaultKind::kThrow, E_OUTOFMEMORY}};
  EXPECT_EQ(Send(std::move(s)), static_cast<HRESULT>(0x80070005));

  EXPECT_TRUE(outlook_->sent().empty());
  EXPECT_EQ(outlook_->copies().size(), 1u);
  EXPECT_EQ(BoxTexts().back(), u"Problem sending emails\nError code: 0x80004005");
  EXPECT_FALSE(outlook_->source().closedWith.has_value());
  EXPECT_FALSE(outlook_->source().deleted);
}

}  // namespace
}  // namespace norvale
