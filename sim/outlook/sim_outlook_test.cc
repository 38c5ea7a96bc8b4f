#include "sim/outlook/sim_outlook.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace norvale::sim {
namespace {

using outlook::MailItem;

std::unique_ptr<SimOutlook> MakeSim(const char* json) {
  return std::make_unique<SimOutlook>(ParseScenario(json, "test.json"));
}

// A message to Jane (To, by name), bob@fabrikam.com (To, no name), Ann (Cc)
// and a Bcc recipient with neither name nor address.
constexpr const char* kMessage = R"(
  "message": {
    "subject": " Hello ",
    "htmlBody": "<html><body>Hi</body></html>",
    "account": {"smtpAddress": "mary@contoso.com", "userName": null},
    "recipients": [
      {"type": 1, "name": "Jane Roe", "address": "jane@contoso.com"},
      {"type": 2, "name": "Ann Lee", "address": "ann@contoso.com"},
      {"type": 1, "address": "bob@fabrikam.com"},
      {"type": 3}
    ]
  })";

std::unique_ptr<SimOutlook> MakeSimWithFaults(const std::string& faults) {
  return std::make_unique<SimOutlook>(
      ParseScenario(std::string("{") + kMessage + R"(, "faults": [)" + faults + "]}", "test.json"));
}

TEST(SimOutlookTest, CopyStartsWithTheSourceContentAndItsRecipientsAsOutlookShowsThem) {
  const auto sim = MakeSimWithFaults("");
  auto copy = sim->sourceItem()->Copy();
  ASSERT_TRUE(copy);
  ASSERT_EQ(sim->copies().size(), 1u);
  const MailFields& fields = sim->copies()[0].fields;
  EXPECT_EQ(fields.to, u"Jane Roe; bob@fabrikam.com");
  EXPECT_EQ(fields.cc, u"Ann Lee");
  EXPECT_EQ(fields.bcc, u"");
  EXPECT_EQ(fields.body, std::nullopt);
  EXPECT_EQ(copy->Subject(), u" Hello ");
  EXPECT_EQ(copy->HTMLBody(), u"<html><body>Hi</body></html>");
  EXPECT_EQ(copy->SendUsingAccount()->SmtpAddress(), u"mary@contoso.com");
  EXPECT_EQ(copy->SendUsingAccount()->UserName(), std::nullopt);
  auto recipients = copy->Recipients();
  ASSERT_TRUE(recipients);
  EXPECT_EQ(recipients->Count(), 4);
  EXPECT_EQ(recipients->Item(3)->Address(), u"bob@fabrikam.com");
  EXPECT_EQ(recipients->Item(3)->Name(), std::nullopt);
  EXPECT_EQ(recipients->Item(4)->Type(), outlook::olBCC);
  EXPECT_EQ(recipients->Item(0), nullptr);
  EXPECT_EQ(recipients->Item(5), nullptr);

  // Changing a copy leaves the source alone.
  copy->SetSubject(u"changed");
  EXPECT_EQ(sim->sourceItem()->Subject(), u" Hello ");
}

// As in Outlook, a To, CC or BCC write replaces that type's recipients, one
// per name between the ";" of the text.
TEST(SimOutlookTest, AddressingWritesReplaceTheRecipientsOfTheirType) {
  const auto sim = MakeSimWithFaults("");
  auto copy = sim->sourceItem()->Copy();
  EXPECT_EQ(copy->SetTo(u" x@example.com;; y@example.com ;"), S_OK);
  auto recipients = copy->Recipients();
  ASSERT_EQ(recipients->Count(), 4);  // Ann (CC), the Bcc one, x and y
  EXPECT_EQ(recipients->Item(1)->Type(), outlook::olCC);
  EXPECT_EQ(recipients->Item(3)->Address(), u"x@example.com");
  EXPECT_EQ(recipients->Item(4)->Name(), u"y@example.com");
  EXPECT_EQ(recipients->Item(4)->Type(), outlook::olTo);

  copy->SetCC(u"");
  copy->SetBCC(std::nullopt);
  copy->SetTo(u"z@example.com");
  ASSERT_EQ(recipients->Count(), 1);
  EXPECT_EQ(recipients->Item(1)->Address(), u"z@example.com");
  EXPECT_EQ(sim->sourceItem()->Recipients()->Count(), 4);
}

TEST(SimOutlookTest, SendRefusesACopyWithoutRecipientsAndRecordsTheFieldsAtSend) {
  const auto sim = MakeSimWithFaults("");
  auto copy = sim->sourceItem()->Copy();
  copy->SetTo(u"");
  copy->SetCC(std::nullopt);
  copy->SetBCC(u" ");
  EXPECT_EQ(copy->Send(), E_FAIL);
  EXPECT_TRUE(sim->sent().empty());
  EXPECT_FALSE(sim->copies()[0].sent);

  copy->SetBCC(u"");
  copy->SetCC(u"ann@contoso.com");
  copy->SetBody(u"");
  EXPECT_EQ(copy->Send(), S_OK);
  copy->SetCC(u"after send");
  ASSERT_EQ(sim->sent().size(), 1u);
  const MailFields& sent = sim->sent()[0];
  EXPECT_EQ(sent.to, u"");
  EXPECT_EQ(sent.cc, u"ann@contoso.com");
  EXPECT_EQ(sent.bcc, u"");
  EXPECT_EQ(sent.body, u"");
  EXPECT_EQ(sent.subject, u" Hello ");
  EXPECT_TRUE(sim->copies()[0].sent);
}

TEST(SimOutlookTest, EveryCallCountsOnceAndASetterUnderItsPropertyName) {
  const auto sim = MakeSimWithFaults("");
  auto source = sim->sourceItem();  // handing out the composed message is no call
  EXPECT_EQ(sim->totalCalls(), 0);
  source->Subject();
  source->SetSubject(u"x");
  source->SetBodyFormat(outlook::olFormatHTML);
  auto copy = source->Copy();
  copy->Subject();
  sim->application()->Mapi().Initialize();
  EXPECT_EQ(sim->callCount("MailItem.Subject"), 3);
  EXPECT_EQ(sim->callCount("MailItem.BodyFormat"), 1);
  EXPECT_EQ(sim->callCount("MailItem.Copy"), 1);
  EXPECT_EQ(sim->callCount("MAPI.Initialize"), 1);
  EXPECT_EQ(sim->callCount("MailItem.Send"), 0);
  EXPECT_EQ(sim->totalCalls(), 6);
}

TEST(SimOutlookTest, FaultsHitTheNthCallOfTheirNameAcrossObjects) {
  const auto sim = MakeSimWithFaults(R"(
      {"call": "MailItem.Send", "nth": 2, "hr": "0x80040109"},
      {"call": "MailItem.Send", "nth": 3, "empty": true},
      {"call": "MailItem.To", "nth": 2, "hr": "0x80004005"},
      {"call": "Recipient.Address", "nth": 2, "hr": "0x80004005"},
      {"call": "MailItem.Copy", "nth": 4, "empty": true},
      {"call": "MailItem.Subject", "nth": 1, "empty": true},
      {"call": "Recipients.Item", "nth": 2, "throw": "0x8007000E"})");
  auto source = sim->sourceItem();
  auto first = source->Copy();
  auto second = source->Copy();
  auto third = source->Copy();
  ASSERT_TRUE(first && second && third);

  // An examined call returns the code and does nothing else; an empty fault
  // claims success without doing it.
  EXPECT_EQ(first->Send(), S_OK);
  EXPECT_EQ(second->Send(), static_cast<HRESULT>(0x80040109));
  EXPECT_EQ(third->Send(), S_OK);
  EXPECT_EQ(sim->sent().size(), 1u);
  EXPECT_FALSE(sim->copies()[1].sent);
  EXPECT_FALSE(sim->copies()[2].sent);

  // A faulted write is dropped; the next one lands.
  first->SetTo(u"a@x.com");
  second->SetTo(u"b@x.com");
  third->SetTo(u"c@x.com");
  EXPECT_EQ(sim->copies()[0].fields.to, u"a@x.com");
  EXPECT_EQ(sim->copies()[1].fields.to, u"Jane Roe; bob@fabrikam.com");
  EXPECT_EQ(sim->copies()[2].fields.to, u"c@x.com");

  // A faulted read gives the empty value, of an object or of a string.
  EXPECT_EQ(source->Copy(), nullptr);
  EXPECT_EQ(sim->copies().size(), 3u);
  EXPECT_EQ(source->Subject(), std::nullopt);
  EXPECT_EQ(source->Subject(), u" Hello ");
  auto recipients = source->Recipients();
  auto jane = recipients->Item(1);
  EXPECT_EQ(jane->Address(), u"jane@contoso.com");
  EXPECT_EQ(jane->Address(), std::nullopt);
  EXPECT_EQ(jane->Address(), u"jane@contoso.com");

  // A throw fault raises the code and counts like any other call.
  try {
    recipients->Item(2);
    ADD_FAILURE() << "no exception";
  } catch (const HResultError& error) {
    EXPECT_EQ(error.code(), E_OUTOFMEMORY);
  }
  EXPECT_EQ(sim->callCount("Recipients.Item"), 2);
  EXPECT_TRUE(recipients->Item(2));
}

TEST(SimOutlookTest, MapiIdentityAnswersAsMapiDoes) {
  const auto sim = MakeSim(R"({
    "identity": {"addressType": "EX", "emailAddress": "/o=Contoso/cn=mary", "smtpAddress": null},
    "message": {},
    "faults": [{"call": "NameSpace.MAPIOBJECT", "nth": 1, "empty": true},
               {"call": "MAPI.Uninitialize", "nth": 2, "hr": "0x80004005"}]})");
  auto app = sim->application();
  auto& mapi = app->Mapi();
  EXPECT_EQ(mapi.Initialize(), S_OK);
  auto session = app->Session();

  std::shared_ptr<outlook::MapiObject> object;
  EXPECT_EQ(session->MAPIOBJECT(object), S_OK);  // the empty fault: success without an object
  EXPECT_EQ(object, nullptr);
  ASSERT_EQ(session->MAPIOBJECT(object), S_OK);
  ASSERT_TRUE(object);
  std::shared_ptr<outlook::MapiSession> mapi_session;
  ASSERT_EQ(object->QueryMapiSession(mapi_session), S_OK);
  outlook::MapiEntryId id;
  ASSERT_EQ(mapi_session->QueryIdentity(id), S_OK);
  EXPECT_FALSE(id.empty());
  std::shared_ptr<outlook::MapiProp> entry;
  EXPECT_EQ(mapi_session->OpenEntry({1, 2, 3}, outlook::kMapiBestAccess, entry), MAPI_E_NOT_FOUND);
  ASSERT_EQ(mapi_session->OpenEntry(id, outlook::kMapiBestAccess, entry), S_OK);
  std::vector<outlook::MapiPropValue> values;
  EXPECT_EQ(entry->GetProps({outlook::kPrSmtpAddressW, outlook::kPrAddrTypeW}, values),
            0x00040380);  // MAPI_W_ERRORS_RETURNED
  ASSERT_EQ(values.size(), 2u);
  EXPECT_EQ(values[0].tag, 0x39FE000Au);
  EXPECT_EQ(values[1].tag, outlook::kPrAddrTypeW);
  EXPECT_EQ(values[1].text, u"EX");
  EXPECT_EQ(entry->GetProps({outlook::kPrAddrTypeW, outlook::kPrEmailAddressW}, values), S_OK);
  EXPECT_EQ(values[1].text, u"/o=Contoso/cn=mary");

  mapi.Uninitialize();
  mapi.Uninitialize();  // faulted: does not take effect
  EXPECT_EQ(sim->mapiInitializeCount(), 1);
  EXPECT_EQ(sim->mapiUninitializeCount(), 1);

  const auto without = MakeSim(R"({"identity": null, "message": {}})");
  std::shared_ptr<outlook::MapiObject> object2;
  without->application()->Session()->MAPIOBJECT(object2);
  std::shared_ptr<outlook::MapiSession> session2;
  object2->QueryMapiSession(session2);
  EXPECT_EQ(session2->QueryIdentity(id), MAPI_E_NOT_FOUND);
}

TEST(SimOutlookTest, AddressBooksServeTheirEntriesByKind) {
  const auto sim = MakeSim(R"({
    "currentUser": {"name": "Mary Smith", "address": "/o=Contoso/cn=mary"},
    "addressLists": [
      {"name": "Global Address List", "type": 0, "entries": [
        {"userType": 0, "address": "/o=Contoso/cn=jane", "name": "Jane Roe",
         "exchangeUser": {"firstName": "Jane", "primarySmtpAddress": "jane@contoso.com"}},
        {"userType": 0, "address": "/o=Contoso/cn=ghost"},
        {"userType": 1, "address": "sales@contoso.com", "members": [
          {"userType": 0, "name": "Tom", "exchangeUser": {"lastName": "Lee"}},
          {"userType": 1, "name": "Sales EMEA", "address": "emea@contoso.com"}]}
      ]},
      {"name": "Contacts", "type": 2, "entries": [
        {"userType": 10, "name": "Bob", "contact": {"email1Address": "bob@fabrikam.com"}},
        {"userType": 11, "name": "Friends", "address": "", "members": []}
      ]}
    ],
    "message": {}})");
  auto session = sim->application()->Session();
  auto user = session->CurrentUser();
  ASSERT_TRUE(user);
  EXPECT_EQ(user->Address(), u"/o=Contoso/cn=mary");

  auto lists = session->AddressLists();
  ASSERT_EQ(lists->Count(), 2);
  EXPECT_EQ(lists->Item(3), nullptr);
  auto gal = lists->Item(1);
  EXPECT_EQ(gal->AddressListType(), outlook::olExchangeGlobalAddressList);
  auto entries = gal->AddressEntries();
  ASSERT_EQ(entries->Count(), 3);

  auto jane = entries->Item(1);
  EXPECT_EQ(jane->GetExchangeUser()->PrimarySmtpAddress(), u"jane@contoso.com");
  EXPECT_EQ(jane->GetExchangeUser()->CompanyName(), std::nullopt);
  EXPECT_EQ(jane->GetContact(), nullptr);
  EXPECT_EQ(jane->Members(), nullptr);
  EXPECT_EQ(jane->GetExchangeDistributionList(), nullptr);
  EXPECT_EQ(entries->Item(2)->GetExchangeUser(), nullptr);
  EXPECT_EQ(entries->Item(2)->Name(), std::nullopt);

  auto sales = entries->Item(3);
  auto dl = sales->GetExchangeDistributionList();
  ASSERT_TRUE(dl);
  auto members = dl->GetExchangeDistributionListMembers();
  ASSERT_EQ(members->Count(), 2);
  EXPECT_EQ(members->Item(1)->GetExchangeUser()->LastName(), u"Lee");
  EXPECT_EQ(members->Item(2)->AddressEntryUserType(),
            outlook::olExchangeDistributionListAddressEntry);
  EXPECT_EQ(members->Item(2)->Members(), nullptr);
  EXPECT_EQ(sales->Members()->Count(), 2);

  auto contacts = lists->Item(2)->AddressEntries();
  EXPECT_EQ(contacts->Item(1)->GetContact()->Email1Address(), u"bob@fabrikam.com");
  EXPECT_EQ(contacts->Item(1)->GetExchangeUser(), nullptr);
  auto friends = contacts->Item(2);
  EXPECT_EQ(friends->GetExchangeDistributionList(), nullptr);  // a personal list
  ASSERT_TRUE(friends->Members());
  EXPECT_EQ(friends->Members()->Count(), 0);
  EXPECT_EQ(friends->Address(), u"");
}

// A recipient resolves to the first Global Address List entry with its
// address, ignoring ASCII case and the entry's kind; the address books hold
// nothing a recipient resolves to.
TEST(SimOutlookTest, RecipientsResolveToTheirFirstGlobalAddressListEntry) {
  const auto sim = MakeSim(R"({
    "currentUser": {"name": "Mary", "address": "/o=Contoso/cn=MARY"},
    "addressLists": [
      {"type": 2, "entries": [{"userType": 10, "address": "jane@contoso.com", "name": "Book"}]},
      {"type": 0, "entries": [
        {"userType": 5, "address": "Jane@Contoso.com", "name": "First"},
        {"userType": 0, "address": "jane@contoso.com", "name": "Second"},
        {"userType": 0, "address": "/o=Contoso/cn=mary", "name": "Mary"}]},
      {"type": 0, "entries": [{"userType": 0, "address": "bob@fabrikam.com", "name": "Bob"}]}
    ],
    "message": {"recipients": [
      {"address": "JANE@contoso.com"}, {"address": "bob@fabrikam.com"},
      {"address": "bob@fabrikam.com", "resolved": false}, {"address": "ann@fabrikam.com"},
      {"name": "jane@contoso.com"}]}})");
  auto recipients = sim->sourceItem()->Recipients();
  const auto resolvedName = [&](std::int32_t i) -> OptText {
    const auto entry = recipients->Item(i)->AddressEntry();
    return entry ? entry->Name() : std::nullopt;
  };
  EXPECT_EQ(resolvedName(1), u"First");
  EXPECT_EQ(resolvedName(2), u"Bob");
  EXPECT_EQ(resolvedName(3), std::nullopt);
  EXPECT_EQ(resolvedName(4), std::nullopt);
  EXPECT_EQ(resolvedName(5), std::nullopt);
  EXPECT_EQ(sim->application()->Session()->CurrentUser()->AddressEntry()->Name(), u"Mary");
  EXPECT_EQ(sim->callCount("Recipient.AddressEntry"), 6);
}

TEST(SimOutlookTest, TheComposeWindowShowsTheSourceUntilItIsClosed) {
  const auto sim = MakeSimWithFaults(R"({"call": "MailItem.Close", "nth": 1, "hr": "0x80004005"})");
  auto app = sim->application();
  auto inspector = app->ActiveInspector();
  ASSERT_TRUE(inspector);
  EXPECT_EQ(inspector->Window(), SimOutlook::kInspectorWindow);
  auto item = inspector->CurrentMailItem();
  item->SetBodyFormat(outlook::olFormatHTML);
  item->Save();
  EXPECT_EQ(sim->source().bodyFormatWrites, std::vector<std::int32_t>{outlook::olFormatHTML});
  EXPECT_TRUE(sim->source().saved);

  EXPECT_EQ(item->Close(outlook::olDiscard), E_FAIL);
  EXPECT_EQ(sim->source().closedWith, std::nullopt);
  EXPECT_TRUE(app->ActiveInspector());
  EXPECT_EQ(item->Close(outlook::olDiscard), S_OK);
  EXPECT_EQ(sim->source().closedWith, outlook::olDiscard);
  EXPECT_EQ(app->ActiveInspector(), nullptr);
  EXPECT_EQ(item->Delete(), S_OK);
  EXPECT_TRUE(sim->source().deleted);
}

TEST(SimOutlookTest, ObjectsStayUsableAfterTheSimulatorIsGone) {
  auto sim = MakeSimWithFaults("");
  auto entries = sim->application()->Session()->AddressLists();
  auto copy = sim->sourceItem()->Copy();
  auto recipient = copy->Recipients()->Item(1);
  sim.reset();
  EXPECT_EQ(entries->Count(), 0);
  EXPECT_EQ(recipient->Name(), u"Jane Roe");
  copy->SetTo(u"x@y.com");
  EXPECT_EQ(copy->Send(), S_OK);
}

}  // namespace
}  // namespace norvale::sim
