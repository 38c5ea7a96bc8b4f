#include "sim/outlook/scenario.h"

#include <gtest/gtest.h>

#include <string>

namespace norvale::sim {
namespace {

// Expects `json` to be refused with a message that names the file and holds `error`.
void ExpectRejected(const std::string& json, const std::string& error) {
  try {
    ParseScenario(json, "bad.json");
    ADD_FAILURE() << "accepted: " << json.substr(0, 200);
  } catch (const ScenarioError& e) {
    const std::string message = e.what();
    EXPECT_TRUE(message.starts_with("bad.json: ")) << message;
    EXPECT_NE(message.find(error), std::string::npos)
        << "message: " << message << "\nexpected: " << error;
  }
}

TEST(ScenarioTest, ReadsEveryMemberAndKeepsNullApartFromEmpty) {
  const Scenario scenario = ParseScenario(R"({
    "action": "compose",
    "outlookVersion": "16.0.4266.1001",
    "currentUser": {"name": "Mary Ann Smith", "address": null},
    "identity": {"addressType": "EX", "emailAddress": "", "smtpAddress": null},
    "addressLists": [
      {"name": "Global Address List", "type": 0, "entries": [
        {"userType": 0, "address": "/o=Contoso/cn=jane", "name": "Jane Roe",
         "exchangeUser": {"firstName": "Jane", "lastName": "", "primarySmtpAddress": "jane@contoso.com"}},
        {"userType": 1, "address": "sales@contoso.com", "name": "Sales", "members": [
          {"userType": 1, "name": "Sales EMEA"},
          {"userType": 10, "contact": {"firstName": "Bob", "companyName": null}}
        ]}
      ]},
      {"type": 2}
    ],
    "message": {
      "subject": " Caf\u00e9 \ud83d\ude00 ",
      "htmlBody": "",
      "account": {"smtpAddress": "Mary@Contoso.com"},
      "recipients": [{"address": "jane@contoso.com"},
                     {"type": 3, "name": null, "address": "", "resolved": false}]
    },
    "faults": [
      {"call": "MailItem.Send", "nth": 2, "hr": "0x80004005"},
      {"call": "MailItem.Copy", "empty": true},
      {"call": "Recipient.Address", "throw": "0x8007000e"}
    ]
  })",
                                          "all.json");

  EXPECT_EQ(scenario.action, Scenario::Action::kCompose);
  EXPECT_EQ(scenario.outlookVersion, u"16.0.4266.1001");
  ASSERT_TRUE(scenario.currentUser);
  EXPECT_EQ(scenario.currentUser->name, u"Mary Ann Smith");
  EXPECT_EQ(scenario.currentUser->address, std::nullopt);
  ASSERT_TRUE(scenario.identity);
  EXPECT_EQ(scenario.identity->emailAddress, u"");
  EXPECT_EQ(scenario.identity->smtpAddress, std::nullopt);

  ASSERT_EQ(scenario.addressLists.size(), 2u);
  const auto& gal = scenario.addressLists[0];
  EXPECT_EQ(gal.name, u"Global Address List");
  ASSERT_EQ(gal.entries.size(), 2u);
  const auto& jane = gal.entries[0];
  ASSERT_TRUE(jane.exchangeUser);
  EXPECT_EQ(jane.exchangeUser->lastName, u"");
  EXPECT_EQ(jane.exchangeUser->companyName, std::nullopt);
  EXPECT_FALSE(jane.contact);
  EXPECT_FALSE(jane.members);
  const auto& sales = gal.entries[1];
  ASSERT_TRUE(sales.members);
  ASSERT_EQ(sales.members->size(), 2u);
  EXPECT_FALSE((*sales.members)[0].members);  // a list member is not expanded again
  EXPECT_EQ((*sales.members)[0].address, std::nullopt);
  EXPECT_EQ((*sales.members)[1].contact->firstName, u"Bob");
  EXPECT_EQ(scenario.addressLists[1].name, std::nullopt);
  EXPECT_TRUE(scenario.addressLists[1].entries.empty());

  const auto& message = scenario.message;
  EXPECT_EQ(message.subject, u" Caf\u00e9 \U0001F600 ");
  EXPECT_EQ(message.htmlBody, u"");
  ASSERT_TRUE(message.account);
  EXPECT_EQ(message.account->userName, std::nullopt);
  ASSERT_EQ(message.recipients.size(), 2u);
  EXPECT_EQ(message.recipients[0].type, 1);  // To when absent
  EXPECT_EQ(message.recipients[1].type, 3);
  EXPECT_EQ(message.recipients[1].name, std::nullopt);
  EXPECT_EQ(message.recipients[1].address, u"");
  EXPECT_TRUE(message.recipients[0].resolved);  // when absent
  EXPECT_FALSE(message.recipients[1].resolved);

  ASSERT_EQ(scenario.faults.size(), 3u);
  EXPECT_EQ(scenario.faults[0].call, "MailItem.Send");
  EXPECT_EQ(scenario.faults[0].nth, 2);
  EXPECT_EQ(scenario.faults[0].kind, FaultKind::kHr);
  EXPECT_EQ(scenario.faults[0].code, E_FAIL);
  EXPECT_EQ(scenario.faults[1].nth, 1);
  EXPECT_EQ(scenario.faults[1].kind, FaultKind::kEmpty);
  EXPECT_EQ(scenario.faults[2].kind, FaultKind::kThrow);
  EXPECT_EQ(scenario.faults[2].code, E_OUTOFMEMORY);
}

TEST(ScenarioTest, AbsentListsAndNullObjectsAreNone) {
  const Scenario scenario = ParseScenario(
      R"({"currentUser": null, "identity": null, "message": {"account": null}})", "min.json");
  EXPECT_EQ(scenario.outlookVersion, std::nullopt);
  EXPECT_FALSE(scenario.currentUser);
  EXPECT_FALSE(scenario.identity);
  EXPECT_TRUE(scenario.addressLists.empty());
  EXPECT_FALSE(scenario.message.account);
  EXPECT_EQ(scenario.message.subject, std::nullopt);
  EXPECT_TRUE(scenario.message.recipients.empty());
  EXPECT_TRUE(scenario.faults.empty());
}

TEST(ScenarioTest, RejectsABadFileNamingThePathAndTheProblem) {
  const struct {
    std::string json;
    std::string error;
  } cases[] = {
      {"{\"message\": {}\n,}",
       "bad.json: invalid JSON at line 2, column 2 (byte 17): syntax error"},
      {"{\"message\": {\"subject\": \"\xC3\x28\"}}",
       "invalid JSON at line 1, column 27 (byte 27): "},
      {"[]", "bad.json: $: expected an object, got array"},
      {"{}", "bad.json: $.message: missing required member"},
      {R"({"message": {}, "Message": {}})", "$.Message: unknown member"},
      {R"({"message": {"subject": 5}})",
       "$.message.subject: expected a string or null, got number"},
      {R"({"message": {"recipients": [{}, {}, {"type": "To"}]}})",
       "$.message.recipients[2].type: expected an integer, got string"},
      {R"({"message": {"recipients": [{"resolved": "no"}]}})",
       "$.message.recipients[0].resolved: expected true or false"},
      {R"({"message": {"recipients": [{"type": 1.5}]}})",
       "$.message.recipients[0].type: expected an integer, got a fractional number"},
      {R"({"message": {"recipients": [{"type": 2147483648}]}})",
       "$.message.recipients[0].type: integer out of the 32-bit range"},
      {R"({"message": {"recipients": [{"type": null}]}})",
       "$.message.recipients[0].type: expected an integer, got null"},
      {R"({"message": {"recipients": {}}})", "$.message.recipients: expected an array, got object"},
      {R"({"message": {"account": "mary@contoso.com"}})",
       "$.message.account: expected an object, got string"},
      {R"({"message": {}, "addressLists": [{"entries": []}]})",
       "$.addressLists[0].type: missing required member"},
      {R"({"message": {}, "addressLists": [{"type": 0, "entries": [{"userType": 1, "members": [
           {"userType": 0, "adress": "x"}]}]}]})",
       "$.addressLists[0].entries[0].members[0].adress: unknown member"},
      {R"({"message": {}, "addressLists": [{"type": 0, "entries": [{"name": "x"}]}]})",
       "$.addressLists[0].entries[0].userType: missing required member"},
      {R"({"message": {}, "identity": {"smtpAddress": "a", "smtp": "b"}})",
       "$.identity.smtp: unknown member"},
      {R"({"message": {}, "action": "popup"})", "$.action: unknown action"},
      {R"({"message": {}, "faults": {}})", "$.faults: expected an array, got object"},
      {R"({"message": {}, "faults": [{"call": "MailItem.Send", "hr": "2147500037"}]})",
       "$.faults[0].hr: expected an HRESULT as \"0x\" and 1 to 8 hex digits, got \"2147500037\""},
      {R"({"message": {}, "faults": [{"call": "MailItem.Send", "hr": "0x800040050"}]})",
       "$.faults[0].hr: expected an HRESULT"},
      {R"({"message": {}, "faults": [{"call": "MailItem.Send", "hr": "0x"}]})",
       "$.faults[0].hr: expected an HRESULT"},
      {R"({"message": {}, "faults": [{"call": "MailItem.Send", "hr": "0X80004005"}]})",
       "$.faults[0].hr: expected an HRESULT"},
      {R"({"message": {}, "faults": [{"call": "MailItem.Send", "hr": "0x8000400G"}]})",
       "$.faults[0].hr: expected an HRESULT"},
      {R"({"message": {}, "faults": [{"call": "MailItem.Send", "hr": -2147467259}]})",
       "$.faults[0].hr: expected a string, got number"},
      {R"({"message": {}, "faults": [{"call": "MailItem.Send", "throw": " 0x1"}]})",
       "$.faults[0].throw: expected an HRESULT"},
      {R"({"message": {}, "faults": [{"call": "MailItem.Send"}]})",
       "$.faults[0]: needs one of \"hr\", \"empty\" and \"throw\""},
      {R"({"message": {}, "faults": [{"call": "MailItem.Send", "empty": true, "throw": "0x1"}]})",
       "$.faults[0]: takes only one of \"hr\", \"empty\" and \"throw\""},
      {R"({"message": {}, "faults": [{"call": "MailItem.Send", "empty": false}]})",
       "$.faults[0].empty: must be true"},
      {R"({"message": {}, "faults": [{"call": "MailItem.Send", "nth": 0, "empty": true}]})",
       "$.faults[0].nth: must be 1 or more"},
      {R"({"message": {}, "faults": [{"call": "MailItem.Sned", "empty": true}]})",
       "$.faults[0].call: unknown call \"MailItem.Sned\""},
      {R"({"message": {}, "faults": [{"call": "Send", "empty": true}]})",
       "$.faults[0].call: unknown call \"Send\""},
      {R"({"message": {}, "faults": [{"nth": 1, "empty": true}]})",
       "$.faults[0].call: missing required member"},
      {R"({"message": {}, "addressLists": [{"type": 0, "entries": [{"userType": 1, "members": [
           {"userType": 0}, {"userType": 1, "members": []}]}]}]})",
       "$.addressLists[0].entries[0].members[1].members: members are taken one level deep"},
      {R"({"message": {"subject": "a", "htmlBody": "", "subject": "b"}})",
       "$.message.subject: duplicate key"},
      {R"({"message": {"recipients": [{"type": 1}, {"type": 1e400}]}})",
       "$.message.recipients[1].type: number out of range: 1e400"},
      {R"({"message": {}, "faults": [{"call": "MailItem.Send", "empty": true, "nth": 1)" +
           std::string(400, '0') + "}]}",
       "$.faults[0].nth: number out of range: 1000"},
      {R"({"message": {}, "faults": [{"call": "MailItem.Send", "nth": 2, "empty": true},
                                     {"call": "MailItem.Send", "nth": 2, "hr": "0x1"}]})",
       "$.faults[1]: another fault already applies to call 2 of MailItem.Send"},
  };
  for (const auto& c : cases) ExpectRejected(c.json, c.error);
}

// The limit holds at any depth without exhausting the stack, and only past
// itself: the root, "message" and 30 arrays make 32 levels.
TEST(ScenarioTest, LimitsTheNesting) {
  const auto nested_subject = [](std::size_t depth) {
    return R"({"message": {"subject": )" + std::string(depth, '[') + std::string(depth, ']') + "}}";
  };
  std::string deepest_path = "$.message.subject";
  for (int i = 0; i < 30; ++i) deepest_path += "[0]";
  ExpectRejected(nested_subject(30), "$.message.subject: expected a string or null, got array");
  ExpectRejected(nested_subject(31), deepest_path + ": nested deeper than 32 levels");
  ExpectRejected(nested_subject(200000), "nested deeper than 32 levels");
  ExpectRejected(std::string(200000, '['), "nested deeper than 32 levels");
}

TEST(ScenarioTest, LoadsTheBundledSampleAndNamesAMissingFile) {
  const Scenario sample = LoadScenario(NORVALE_SIM_SAMPLE_PROFILE);
  EXPECT_FALSE(sample.message.recipients.empty());
  EXPECT_TRUE(sample.faults.empty());

  try {
    LoadScenario("/nonexistent/profile.json");
    ADD_FAILURE() << "a missing file was accepted";
  } catch (const ScenarioError& error) {
    EXPECT_STREQ(error.what(),
                 "/nonexistent/profile.json: cannot be opened: No such file or directory");
  }
  try {
    LoadScenario(".");
    ADD_FAILURE() << "a folder was accepted";
  } catch (const ScenarioError& error) {
    EXPECT_STREQ(error.what(), ".: is a folder");
  }
}

}  // namespace
}  // namespace norvale::sim
