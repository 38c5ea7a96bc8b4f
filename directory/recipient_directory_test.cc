// The indexed directory against the literal lookup it replaces: whole sends
// on generated profiles must come out the same, whatever the profile holds;
// only the number of Outlook calls may differ. And the calls a send makes
// must not grow with the Global Address List once Outlook resolved the
// recipients, nor by more than one pass over it when it did not.
#include "directory/recipient_directory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "addin/norvale_addin.h"
#include "base/text.h"
#include "directory/recipient_info.h"
#include "sim/desktop/sim_desktop.h"
#include "sim/outlook/large_profile.h"
#include "sim/outlook/report.h"
#include "sim/outlook/scenario.h"
#include "sim/outlook/sim_outlook.h"

namespace norvale {
namespace {

using sim::Scenario;
using Json = nlohmann::ordered_json;

bool SameAddress(const OptText& address, std::u16string_view text) {
  return address && EqualsIgnoreCase(*address, text);
}

// The lookup as it was before the index, kept as the reference: for every
// text a fresh scan of each Global Address List, then of each Outlook
// address book, each ending at the first match; messages dispatched before
// each list of the first scan.
class LiteralDirectory final : public RecipientDirectory {
 public:
  LiteralDirectory(std::shared_ptr<outlook::Application> app, platform::Desktop& pump)
      : m_spApp(std::move(app)), m_pump(pump) {}

  void Expect(std::u16string_view, std::shared_ptr<outlook::Recipient>) override {}

  DirectoryAnswer Find(std::u16string_view lowerEmailAddress, bool withCompany) override {
    DirectoryAnswer answer;
    ScanAddressLists(outlook::olExchangeGlobalAddressList, &m_pump, [&](outlook::AddressEntry& e) {
      const outlook::OptInt userType = e.AddressEntryUserType();
      if (userType == outlook::olExchangeDistributionListAddressEntry ||
          userType == outlook::olOutlookDistributionListAddressEntry) {
        if (!SameAddress(e.Address(), lowerEmailAddress)) return false;
        answer.members = ExpandExchangeList(e);
        return true;
      }
      if (userType == outlook::olExchangeUserAddressEntry) {
        const auto spUser = e.GetExchangeUser();
        const OptText entryAddress = e.Address();
        if (!spUser || !SameAddress(entryAddress, lowerEmailAddress)) return false;
        answer.record = ExchangeUserInfo(*spUser);
        return true;
      }
      return false;
    });
    if (answer.record.empty())
      answer.record = FindContactInfo(lowerEmailAddress, withCompany, answer);
    return answer;
  }

 private:
  std::u16string FindContactInfo(std::u16string_view address, bool withCompany,
                                 DirectoryAnswer& answer) {
    std::u16string result;
    ScanAddressLists(outlook::olOutlookAddressList, nullptr, [&](outlook::AddressEntry& e) {
      const outlook::OptInt userType = e.AddressEntryUserType();
      if (userType == outlook::olOutlookContactAddressEntry) {
        const auto spContact = e.GetContact();
        if (!spContact || !SameAddress(spContact->Email1Address(), address)) return false;
        result = ContactInfo(*spContact, withCompany);
        return true;
      }
      if (userType == outlook::olOutlookDistributionListAddressEntry) {
        const OptText entryAddress = e.Address();
        const OptText entryName = e.Name();
        const OptText& compared = entryAddress && !entryAddress->empty() ? entryAddress : entryName;
        if (!SameAddress(compared, address)) return false;
        answer.members = ExpandPersonalList(e);
        return true;
      }
      return false;
    });
    return result;
  }

  void ScanAddressLists(std::int32_t list_type, platform::Desktop* pump,
                        const std::function<bool(outlook::AddressEntry&)>& visit) {
    const auto spSession = m_spApp ? m_spApp->Session() : nullptr;
    const auto spLists = spSession ? spSession->AddressLists() : nullptr;
    if (!spLists) return;
    const std::int32_t nLists = spLists->Count().value_or(0);
    for (std::int32_t i = 1; i <= nLists; ++i) {
      if (pump) pump->PumpMessages();
      const auto spList = spLists->Item(i);
      if (!spList || spList->AddressListType() != list_type) continue;
      const auto spEntries = spList->AddressEntries();
      if (!spEntries) continue;
      const std::int32_t nEntries = spEntries->Count().value_or(0);
      for (std::int32_t j = 1; j <= nEntries; ++j) {
        const auto spEntry = spEntries->Item(j);
        if (spEntry && visit(*spEntry)) return;
      }
    }
  }

  std::shared_ptr<outlook::Application> m_spApp;
  platform::Desktop& m_pump;
};

// A send on `scenario` with the indexed directory, or with the literal one.
struct Send {
  Json report;  // without the call count
  std::int64_t calls = 0;
};

Send RunSend(const Scenario& scenario, bool literal) {
  sim::SimOutlook outlook(scenario);
  platform::SimDesktop desktop;
  CNorvaleOAddin addin(desktop);
  if (literal) {
    addin.SetDirectoryFactory([](std::shared_ptr<outlook::Application> app,
                                 platform::Desktop& pump) -> std::unique_ptr<RecipientDirectory> {
      return std::make_unique<LiteralDirectory>(std::move(app), pump);
    });
  }
  addin.SetApplication(outlook.application());
  addin.SendButton_Action();
  Send send{sim::BuildReport(outlook, desktop), outlook.totalCalls()};
  send.report.erase("calls");
  return send;
}

// Random profiles from a small pool of texts, so that addresses meet: the
// same address in several entries and lists, in other letter cases, as an
// entry's address, a contact's e-mail and a personal list's name.
class ProfileGenerator {
 public:
  explicit ProfileGenerator(std::uint32_t seed) : m_rng(seed) {}

  Scenario Next() {
    Scenario s;
    s.outlookVersion = u"16.0.4266.1001";
    const int nLists = Pick(5);
    for (int i = 0; i < nLists; ++i) {
      const int kind = Pick(5);
      Scenario::AddressList list;
      list.type = kind < 2   ? outlook::olExchangeGlobalAddressList
                  : kind < 4 ? outlook::olOutlookAddressList
                             : 4;  // another kind of list, never searched
      for (int n = Pick(7); n > 0; --n) {
        list.entries.push_back(list.type == outlook::olOutlookAddressList ? BookEntry()
                                                                          : GalEntry());
      }
      s.addressLists.push_back(std::move(list));
    }
    if (Chance(3, 5)) {
      s.message.account = Scenario::Account{Address(), Value()};
    } else if (Chance(4, 5)) {
      s.currentUser = Scenario::CurrentUser{Value(), Address(), Chance(2, 3)};
    }
    if (Chance(4, 5)) {
      s.identity = Scenario::Identity{Chance(1, 2) ? u"EX" : u"SMTP", Address(), Address()};
    }
    s.message.subject = u" Update ";
    s.message.htmlBody =
        Chance(4, 5) ? u"<html><body><a href=\"https://contoso.com/a\">A</a></body></html>" : u"Hi";
    for (int n = Pick(7); n > 0; --n) {
      Scenario::Recipient r;
      r.type = Chance(1, 2) ? outlook::olTo : Chance(1, 2) ? outlook::olCC : outlook::olBCC;
      r.address = Chance(1, 8) ? OptText(Chance(1, 2) ? u"" : OptText()) : Address();
      r.name = Chance(1, 2) ? Address() : Value();
      r.resolved = Chance(2, 3);
      s.message.recipients.push_back(std::move(r));
    }
    AddFaults(s);
    return s;
  }

 private:
  int Pick(int n) { return static_cast<int>(m_rng() % static_cast<std::uint32_t>(n)); }
  bool Chance(int k, int n) { return Pick(n) < k; }

  // Addresses as Outlook gives them, in any letter case; sometimes none.
  OptText Address() {
    static constexpr std::u16string_view kAddresses[] = {
        u"jane@contoso.com",           u"/o=Contoso/ou=Exchange/cn=Recipients/cn=bob",
        u"sales@contoso.com",          u"team",
        u"ann@fabrikam.com",           u"",
        u"Jane Roe (jane@contoso.com)"};
    if (Chance(1, 10)) return std::nullopt;
    std::u16string address(kAddresses[Pick(std::size(kAddresses))]);
    for (char16_t& c : address) {
      if (c >= u'a' && c <= u'z' && Chance(1, 6)) c = static_cast<char16_t>(c - u'a' + u'A');
    }
    return address;
  }

  // Directory values: missing, empty, with spaces to keep, blanks to trim, a tilde.
  OptText Value() {
    static constexpr std::u16string_view kValues[] = {u"Jane", u"Mary Ann", u" Smith\t",
                                                      u"",     u"O~Neil",   u"Contoso Ltd"};
    if (Chance(1, 6)) return std::nullopt;
    return std::u16string(kValues[Pick(std::size(kValues))]);
  }

  Scenario::ExchangeUser User() { return {Value(), Value(), Address(), Value()}; }
  Scenario::Contact Contact() { return {Value(), Value(), Address(), Value()}; }

  // A list's members: Exchange users, contacts, lists and plain entries.
  std::vector<Scenario::Entry> Members() {
    std::vector<Scenario::Entry> members;
    for (int n = Pick(4); n > 0; --n) {
      Scenario::Entry m;
      m.userType = Chance(1, 2)   ? outlook::olExchangeUserAddressEntry
                   : Chance(1, 2) ? outlook::olOutlookContactAddressEntry
                                  : outlook::olExchangeDistributionListAddressEntry;
      m.address = Address();
      m.name = Value();
      if (m.userType == outlook::olExchangeUserAddressEntry && Chance(3, 4))
        m.exchangeUser = User();
      if (m.userType == outlook::olOutlookContactAddressEntry && Chance(3, 4))
        m.contact = Contact();
      members.push_back(std::move(m));
    }
    return members;
  }

  // Exchange users (some without their Exchange user), Exchange and personal
  // lists, and entries of other kinds.
  Scenario::Entry GalEntry() {
    static constexpr std::int32_t kTypes[] = {0, 0, 0, 0, 1, 1, 11, 5, 10};
    Scenario::Entry e;
    e.userType = kTypes[Pick(std::size(kTypes))];
    e.address = Address();
    e.name = Value();
    if (e.userType == outlook::olExchangeUserAddressEntry && Chance(5, 6)) e.exchangeUser = User();
    if (e.userType == outlook::olOutlookContactAddressEntry) e.contact = Contact();
    if (e.userType == 1 || e.userType == 11) e.members = Members();
    return e;
  }

  // Contacts (some without their contact item), personal lists known by
  // address or by name, and entries of other kinds.
  Scenario::Entry BookEntry() {
    static constexpr std::int32_t kTypes[] = {10, 10, 10, 11, 11, 0, 1};
    Scenario::Entry e;
    e.userType = kTypes[Pick(std::size(kTypes))];
    e.address = Address();
    e.name = Chance(1, 2) ? Address() : Value();
    if (e.userType == outlook::olOutlookContactAddressEntry && Chance(5, 6)) e.contact = Contact();
    if (e.userType == outlook::olExchangeUserAddressEntry) e.exchangeUser = User();
    if (e.userType == 1 || e.userType == 11) e.members = Members();
    return e;
  }

  // Faults on calls that both directories leave to the send itself, so that
  // the nth call of a name is the same call in both runs.
  void AddFaults(Scenario& s) {
    struct Planned {
      const char* call;
      sim::FaultKind kind;
    };
    static constexpr Planned kFaults[] = {
        {"MailItem.Send", sim::FaultKind::kHr},
        {"MailItem.Send", sim::FaultKind::kThrow},
        {"MailItem.Copy", sim::FaultKind::kEmpty},
        {"MailItem.To", sim::FaultKind::kHr},
        {"MailItem.HTMLBody", sim::FaultKind::kThrow},
        {"MailItem.Close", sim::FaultKind::kHr},
        {"Recipients.Item", sim::FaultKind::kEmpty},
        {"Recipient.Type", sim::FaultKind::kEmpty},
        {"Recipient.Address", sim::FaultKind::kThrow},
        {"Recipient.Name", sim::FaultKind::kEmpty},
        {"MailItem.Recipients", sim::FaultKind::kEmpty},
        {"Account.SmtpAddress", sim::FaultKind::kEmpty},
        {"MAPISession.QueryIdentity", sim::FaultKind::kHr},
    };
    for (int n = Chance(1, 2) ? Pick(3) : 0; n > 0; --n) {
      const Planned& planned = kFaults[Pick(std::size(kFaults))];
      const std::int32_t nth = 1 + Pick(4);
      bool taken = false;
      for (const sim::Fault& f : s.faults)
        taken = taken || (f.call == planned.call && f.nth == nth);
      if (!taken) {
        s.faults.push_back({planned.call, nth, planned.kind, static_cast<HRESULT>(0x80070005)});
      }
    }
  }

  std::mt19937 m_rng;
};

TEST(RecipientDirectoryTest, SendsMatchTheLiteralLookupOnGeneratedProfiles) {
  constexpr int kProfiles = 600;
  ProfileGenerator generator(20261210);
  std::int64_t indexedCalls = 0, literalCalls = 0;
  int copies = 0, banners = 0, boxes = 0;
  for (int i = 0; i < kProfiles; ++i) {
    const Scenario scenario = generator.Next();
    const Send indexed = RunSend(scenario, /*literal=*/false);
    const Send literal = RunSend(scenario, /*literal=*/true);
    ASSERT_EQ(indexed.report, literal.report)
        << "profile " << i << ", differences from the literal lookup (RFC 6902):\n"
        << nlohmann::json::diff(nlohmann::json(literal.report), nlohmann::json(indexed.report))
               .dump(2);
    indexedCalls += indexed.calls;
    literalCalls += literal.calls;
    for (const Json& sent : indexed.report.at("sent")) {
      ++copies;
      banners += sent.at("htmlBody").is_string() &&
                 sent.at("htmlBody").get<std::string>().find("Mail sent to:") != std::string::npos;
    }
    boxes += static_cast<int>(indexed.report.at("messageBoxes").size());
  }
  // The profiles must reach every part of a send for the comparison to mean much.
  EXPECT_GT(copies, kProfiles);
  EXPECT_GT(banners, kProfiles / 10);
  EXPECT_GT(boxes, kProfiles / 10);
  EXPECT_LT(indexedCalls, literalCalls);
}

// A recipient that Outlook resolved to `entry`, whatever its own address.
class ResolvedRecipient final : public outlook::Recipient {
 public:
  explicit ResolvedRecipient(std::shared_ptr<outlook::AddressEntry> entry)
      : m_spEntry(std::move(entry)) {}
  OptText Address() override { return std::nullopt; }
  OptText Name() override { return std::nullopt; }
  outlook::OptInt Type() override { return outlook::olTo; }
  std::shared_ptr<outlook::AddressEntry> AddressEntry() override { return m_spEntry; }

 private:
  std::shared_ptr<outlook::AddressEntry> m_spEntry;
};

Scenario::Entry Entry(std::int32_t userType, std::u16string address) {
  Scenario::Entry entry;
  entry.userType = userType;
  entry.address = std::move(address);
  return entry;
}

Scenario::Entry User(std::u16string address, std::u16string first) {
  Scenario::Entry entry = Entry(outlook::olExchangeUserAddressEntry, std::move(address));
  entry.exchangeUser = Scenario::ExchangeUser{first, u"Roe", first + u"@contoso.com", u"Contoso"};
  return entry;
}

// Only an Exchange user whose Exchange user answers, or an Exchange list,
// and only when its address is the text looked up, stands for the search;
// anything else leaves the text to the search.
TEST(RecipientDirectoryTest, TakesAResolvedEntryOnlyWhereTheSearchWouldFindIt) {
  Scenario s;
  Scenario::Entry sales = Entry(outlook::olExchangeDistributionListAddressEntry, u"sales@c.com");
  sales.members = std::vector{User(u"/o=c/cn=al", u"al")};
  s.addressLists = {
      {u"GAL",
       outlook::olExchangeGlobalAddressList,
       {User(u"/o=c/cn=jane", u"jane"), Entry(outlook::olExchangeUserAddressEntry, u"/o=c/cn=old"),
        Entry(5, u"guest@x.com"), sales, User(u"/o=c/cn=bob", u"bob")}},
      {u"Contacts",
       outlook::olOutlookAddressList,
       {{outlook::olOutlookContactAddressEntry, u"guest@x.com", u"Guest", std::nullopt,
         Scenario::Contact{u"Gus", u"Guest", u"guest@x.com", u"Fabrikam"}, std::nullopt}}},
  };
  struct Case {
    const char* label;
    std::int32_t resolvedTo;  // 1-based in the GAL
    std::u16string text;
    std::u16string record;
    std::size_t members;  // 0: no list matched
    bool searched;
  };
  const std::vector<Case> cases = {
      {"user, address in other case", 1, u"/O=C/CN=JANE", u"jane~Roe~jane@contoso.com~Contoso", 0,
       false},
      {"user, other address", 1, u"/o=c/cn=bob", u"bob~Roe~bob@contoso.com~Contoso", 0, true},
      {"user without Exchange user", 2, u"/o=c/cn=old", u"", 0, true},
      {"other entry type", 3, u"guest@x.com", u"Gus~Guest~guest@x.com~Fabrikam", 0, true},
      // A list gives no record, so the address books are still searched.
      {"Exchange list", 4, u"sales@c.com", u"", 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    sim::SimOutlook outlook(s);
    platform::SimDesktop desktop;
    const auto app = outlook.application();
    const auto spEntry =
        app->Session()->AddressLists()->Item(1)->AddressEntries()->Item(c.resolvedTo);
    const std::int64_t before = outlook.callCount("NameSpace.AddressLists");
    const auto directory = MakeIndexedDirectory(app, desktop);
    directory->Expect(c.text, std::make_shared<ResolvedRecipient>(spEntry));
    const DirectoryAnswer answer = directory->Find(c.text, /*withCompany=*/true);
    EXPECT_EQ(answer.record, c.record);
    EXPECT_EQ(answer.members.value_or(std::vector<std::u16string>{}).size(), c.members);
    EXPECT_EQ(answer.members.has_value(), c.members > 0);
    EXPECT_EQ(outlook.callCount("NameSpace.AddressLists") > before, c.searched);
  }
}

// Every text of a send is searched in one pass: each list is visited once,
// with messages dispatched before each while the Global Address List search
// goes on, however many texts are looked up.
TEST(RecipientDirectoryTest, SearchesEveryTextInOnePass) {
  Scenario s = sim::LargeProfile(50, 4, sim::LargeProfileRecipients::kAtGalEnd);
  s.message.recipients.push_back({outlook::olCC, u"guest@fabrikam.com", u"Guest", true});
  sim::SimOutlook outlook(s);
  platform::SimDesktop desktop;
  CNorvaleOAddin addin(desktop);
  addin.SetApplication(outlook.application());
  addin.SendButton_Action();
  EXPECT_EQ(outlook.sent().size(), 5u);
  EXPECT_EQ(outlook.callCount("AddressList.AddressEntries"), 2);
  EXPECT_EQ(desktop.pumpCount(), 2);
}

// The recipients' own entries stand at the end of the list, where a scan per
// recipient costs most.
TEST(RecipientDirectoryTest, CallsStayWithinOnePassOfTheGlobalAddressList) {
  using sim::LargeProfile;
  using sim::LargeProfileRecipients;
  constexpr std::int32_t kRecipients = 20;
  const auto calls = [](std::int32_t gal, LargeProfileRecipients kind) {
    return RunSend(LargeProfile(gal, kRecipients, kind), /*literal=*/false).calls;
  };
  for (const std::int32_t gal : {500, 2'000}) {
    SCOPED_TRACE(gal);
    EXPECT_LE(calls(gal, LargeProfileRecipients::kResolved), 40 * kRecipients + 400);
    EXPECT_LE(calls(gal, LargeProfileRecipients::kAtGalEnd), 3 * gal + 40 * kRecipients);
    EXPECT_LE(calls(gal, LargeProfileRecipients::kExternal), 3 * gal + 40 * kRecipients);
  }
  EXPECT_EQ(calls(500, LargeProfileRecipients::kResolved),
            calls(2'000, LargeProfileRecipients::kResolved));
}

}  // namespace
}  // namespace norvale
