// Fails every object-model call of a representative send in turn, once with a
// failure status and once with an exception, and checks what must hold
// whatever Outlook does: no copy reaches anyone but its own recipient, the
// composed message is deleted only when the run reached its end, and every
// failure the add-in examines reaches the user.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/text.h"
#include "sim/outlook/scenario.h"
#include "sim/run/scenario_run.h"
#include "tracking/tracking_query.h"

namespace norvale::sim {
namespace {

using Json = nlohmann::ordered_json;

constexpr HRESULT kFaultCode = static_cast<HRESULT>(0x80070005);
constexpr HRESULT kThrowCode = static_cast<HRESULT>(0x8007000E);

// Calls whose failure status the add-in reports in a box of its own.
const std::set<std::string> kExaminedCalls = {"MailItem.Send",
                                              "NameSpace.MAPIOBJECT",
                                              "MAPIObject.QueryInterface",
                                              "MAPISession.QueryIdentity",
                                              "MAPISession.OpenEntry",
                                              "MAPIProp.GetProps"};

void AddAddressForms(const OptText& text, std::set<std::string>& out) {
  if (!text) return;
  std::u16string forms[3] = {*text, *text, *text};
  ToLowerAscii(forms[1]);
  ExtractBracketedAddress(forms[2]);
  for (std::u16string& form : forms) {
    out.insert(Utf16ToUtf8(TrimView(form)));
    ExtractBracketedAddress(form);
    ToLowerAscii(form);
    out.insert(Utf16ToUtf8(TrimView(form)));
  }
}

void AddEntryAddresses(const Scenario::Entry& entry, std::set<std::string>& out) {
  AddAddressForms(entry.address, out);
  AddAddressForms(entry.name, out);
  if (entry.exchangeUser) AddAddressForms(entry.exchangeUser->primarySmtpAddress, out);
  if (entry.contact) AddAddressForms(entry.contact->email1Address, out);
  if (entry.members) {
    for (const Scenario::Entry& member : *entry.members) AddEntryAddresses(member, out);
  }
}

// Every text by which the profile can name one of the message's recipients
// or list members; a copy may only ever be addressed to one of them.
std::set<std::string> RecipientAddresses(const Scenario& scenario) {
  std::set<std::string> addresses;
  for (const Scenario::Recipient& recipient : scenario.message.recipients) {
    AddAddressForms(recipient.address, addresses);
    AddAddressForms(recipient.name, addresses);
  }
  for (const Scenario::AddressList& list : scenario.addressLists) {
    for (const Scenario::Entry& entry : list.entries) AddEntryAddresses(entry, addresses);
  }
  return addresses;
}

// What the simulator recorded as reaching people: the recipients of every
// copy that was sent, by the copy's place among all copies made.
std::vector<std::pair<size_t, const std::vector<Scenario::Recipient>*>> SentCopies(
    const ScenarioRun& run) {
  std::vector<std::pair<size_t, const std::vector<Scenario::Recipient>*>> sent;
  const auto& copies = run.outlook.copies();
  for (size_t i = 0; i < copies.size(); ++i) {
    if (copies[i].sent) sent.emplace_back(i, copies[i].recipients.get());
  }
  return sent;
}

std::string Describe(const std::vector<Scenario::Recipient>& recipients) {
  std::string text;
  for (const Scenario::Recipient& r : recipients) {
    text += "[" + std::to_string(r.type) + " " + Utf16ToUtf8(r.address.value_or(u"")) + "]";
  }
  return text;
}

// Every copy that was sent reached one person, named by one of `addresses`.
void ExpectEachCopyReachesOneOf(const ScenarioRun& run, const std::set<std::string>& addresses) {
  for (const auto& [index, recipients] : SentCopies(run)) {
    EXPECT_TRUE(recipients->size() == 1 &&
                addresses.contains(Utf16ToUtf8(recipients->front().address.value_or(u""))))
        << "copy " << index << " reached " << Describe(*recipients);
  }
}

bool HasBox(const Json& report, std::string_view text) {
  for (const Json& box : report.at("messageBoxes")) {
    if (box.at("text").get<std::string>().starts_with(text)) return true;
  }
  return false;
}

bool HasBoxWithCode(const Json& report, HRESULT code) {
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, "0x%x", static_cast<unsigned>(code));
  for (const Json& box : report.at("messageBoxes")) {
    if (box.at("text").get<std::string>().ends_with(suffix)) return true;
  }
  return false;
}

class FaultSweepTest : public testing::TestWithParam<const char*> {};

TEST_P(FaultSweepTest, EveryCallFailingInTurn) {
  const Scenario clean = LoadScenario(std::string(NORVALE_SOURCE_DIR) + "/" + GetParam());
  const ScenarioRun clean_run(clean);
  const Json clean_report = clean_run.Report();
  ASSERT_EQ(clean_report.at("messageBoxes").size(), 0u) << "the sweep needs a clean run";
  const size_t clean_copies = clean_report.at("sent").size();
  const std::set<std::string> addresses = RecipientAddresses(clean);

  int runs = 0;
  for (std::string_view name : kCallNames) {
    const std::int64_t count = clean_run.outlook.callCount(name);
    for (std::int32_t nth = 1; nth <= count; ++nth) {
      for (FaultKind kind : {FaultKind::kHr, FaultKind::kThrow}) {
        Scenario scenario = clean;
        const HRESULT code = kind == FaultKind::kHr ? kFaultCode : kThrowCode;
        scenario.faults = {Fault{std::string(name), nth, kind, code}};
        const ScenarioRun run(scenario);
        const Json report = run.Report();
        ++runs;
        SCOPED_TRACE(std::string(name) + " #" + std::to_string(nth) +
                     (kind == FaultKind::kHr ? " hr" : " throw"));

        const Json& sent = report.at("sent");
        EXPECT_LE(sent.size(), clean_copies);
        ExpectEachCopyReachesOneOf(run, addresses);

        const bool run_ended_early = HasBox(report, "Problem sending emails") ||
                                     HasBox(report, "Failed to retrieve the account SMTP");
        const Json& source = report.at("source");
        const bool deleted = source.at("deleted").get<bool>();
        if (run_ended_early) {
          EXPECT_FALSE(deleted);
        }
        // Deleting follows the final Close, which only its own failure skips.
        if (deleted) {
          EXPECT_TRUE(!source.at("closedWith").is_null() || name == "MailItem.Close");
        }

        // MAPI is uninitialised whenever it was initialised, whatever failed
        // in between.
        if (name != "MAPI.Uninitialize") {
          EXPECT_EQ(run.outlook.mapiInitializeCount(), run.outlook.mapiUninitializeCount());
        }

        // The button finds the message through the first ActiveInspector and
        // CurrentItem: without them the send does not start. A thrown failure
        // there ends the callback with nothing to report, as does one of the
        // version read while connecting, which leaves the send to go on, and
        // one of MAPIUninitialize, which reports nothing.
        const bool button_call =
            (name == "Application.ActiveInspector" || name == "Inspector.CurrentItem") && nth == 1;
        if (button_call) {
          EXPECT_TRUE(sent.empty());
          EXPECT_FALSE(source.at("saved").get<bool>());
        } else if (kind == FaultKind::kThrow && name != "Application.Version" &&
                   name != "MAPI.Uninitialize") {
          EXPECT_TRUE(HasBox(report, "Problem sending emails"));
          EXPECT_FALSE(source.at("deleted").get<bool>());
        }
        if (kind == FaultKind::kHr && kExaminedCalls.contains(std::string(name))) {
          EXPECT_TRUE(HasBoxWithCode(report, kFaultCode));
        }
        // The composed message's own Close is the last Close of a clean run.
        if (kind == FaultKind::kHr && name == "MailItem.Close" && nth == count) {
          EXPECT_TRUE(HasBox(report, "Problem cleaning up email"));
          EXPECT_TRUE(source.at("deleted").get<bool>());
        }
      }
    }
  }
  EXPECT_GT(runs, 100);
  RecordProperty("runs", runs);
}

// The bundled sample covers the lookups, lists and copies; the Exchange
// sender unknown to the directory covers the MAPI steps.
INSTANTIATE_TEST_SUITE_P(Profiles, FaultSweepTest,
                         testing::Values("samples/sample-profile.json",
                                         "tests/scenarios/exchange-sender-mapi.json"));

constexpr const char* kTwoPeopleInOneAddress = "tests/scenarios/recipient-holding-semicolon.json";

// Addresses that name two people, as recipients and as a list member, with
// every call failing in turn in every way: no copy ever reaches two people,
// nor anyone the profile does not name.
TEST(AddressingSweepTest, TwoPeopleInOneAddress) {
  const Scenario clean =
      LoadScenario(std::string(NORVALE_SOURCE_DIR) + "/" + kTwoPeopleInOneAddress);
  const ScenarioRun clean_run(clean);
  const std::set<std::string> addresses = RecipientAddresses(clean);
  ExpectEachCopyReachesOneOf(clean_run, addresses);
  EXPECT_FALSE(SentCopies(clean_run).empty());

  const struct {
    FaultKind kind;
    HRESULT code;
    const char* what;
  } kinds[] = {{FaultKind::kHr, kFaultCode, " hr"},
               {FaultKind::kHr, S_OK, " 0x0"},
               {FaultKind::kEmpty, S_OK, " empty"},
               {FaultKind::kThrow, kThrowCode, " throw"}};
  for (std::string_view name : kCallNames) {
    for (std::int32_t nth = 1; nth <= clean_run.outlook.callCount(name); ++nth) {
      for (const auto& kind : kinds) {
        Scenario scenario = clean;
        scenario.faults = {Fault{std::string(name), nth, kind.kind, kind.code}};
        const ScenarioRun run(scenario);
        SCOPED_TRACE(std::string(name) + " #" + std::to_string(nth) + kind.what);
        ExpectEachCopyReachesOneOf(run, addresses);
      }
    }
  }
}

// Addressing writes that answer success without doing anything (an empty
// fault, or a zero status) leave the copy with every recipient of the composed
// message: each copy must then reach its own recipient alone, as in the clean
// run, or not be sent and be reported.
class AddressingWriteTest : public testing::TestWithParam<const char*> {};

TEST_P(AddressingWriteTest, WritesWithoutEffect) {
  const Scenario clean = LoadScenario(std::string(NORVALE_SOURCE_DIR) + "/" + GetParam());
  const ScenarioRun clean_run(clean);
  const auto& clean_copies = clean_run.outlook.copies();
  const size_t clean_sent = SentCopies(clean_run).size();
  const size_t clean_boxes = clean_run.Report().at("messageBoxes").size();

  int held_back_runs = 0;
  for (const char* name : {"MailItem.To", "MailItem.CC", "MailItem.BCC"}) {
    for (std::int32_t nth = 1; nth <= clean_run.outlook.callCount(name); ++nth) {
      for (FaultKind kind : {FaultKind::kEmpty, FaultKind::kHr}) {
        Scenario scenario = clean;
        scenario.faults = {Fault{name, nth, kind, S_OK}};
        const ScenarioRun run(scenario);
        SCOPED_TRACE(std::string(name) + " #" + std::to_string(nth) +
                     (kind == FaultKind::kEmpty ? " empty" : " 0x0"));

        ASSERT_EQ(run.outlook.copies().size(), clean_copies.size());
        const auto sent = SentCopies(run);
        for (const auto& [index, recipients] : sent) {
          EXPECT_TRUE(clean_copies[index].sent);
          EXPECT_EQ(Describe(*recipients), Describe(*clean_copies[index].recipients));
        }
        // Every copy held back is reported, as a refused Send is.
        const size_t held_back = clean_sent - sent.size();
        EXPECT_EQ(run.Report().at("messageBoxes").size(), clean_boxes + held_back);
        held_back_runs += held_back > 0;
      }
    }
  }
  // A To write without effect leaves a copy with the composed message's
  // recipients: every copy sent in the clean run is held back once each way.
  EXPECT_GE(held_back_runs, static_cast<int>(2 * clean_sent));
}

INSTANTIATE_TEST_SUITE_P(Profiles, AddressingWriteTest,
                         testing::Values("samples/sample-profile.json",
                                         "tests/scenarios/exchange-sender-mapi.json",
                                         kTwoPeopleInOneAddress));

}  // namespace
}  // namespace norvale::sim
