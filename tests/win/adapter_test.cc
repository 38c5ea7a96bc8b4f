// The object-model adapter against hand-written IDispatch fakes: values and
// their conversions, kinds, failures, arguments, DISPID caching, references,
// MAPI; and the Win32 desktop's message pump.
#include <windows.h>

#include <mapix.h>
#include <oleauto.h>
#include <oleidl.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "base/win/scoped_variant.h"
#include "base/win/unique_handle.h"
#include "outlook/com/com_outlook.h"
#include "outlook/com/dispatch.h"
#include "outlook/com/outlook_iids.h"
#include "platform/win32/win32_desktop.h"
#include "tests/win/fakes.h"

namespace norvale::com {
namespace {

using win::ScopedVariant;

// Fakes alive, over every kind; each test ends with none.
int g_liveFakes = 0;

// Successful GetIDsOfNames per interface (by its first field, unique among
// Outlook's) and name, over the whole run, whatever order the tests run in.
std::map<std::tuple<unsigned long, std::wstring>, int> g_lookups;

// One DISPID per name for every fake, as Outlook's are fixed per interface.
std::map<std::wstring, DISPID>& DispIds() {
  static std::map<std::wstring, DISPID> s_ids;
  return s_ids;
}
DISPID DispIdOf(const std::wstring& name) {
  return DispIds().emplace(name, static_cast<DISPID>(DispIds().size() + 1)).first->second;
}
std::wstring NameOf(DISPID id) {
  for (const auto& [name, known] : DispIds()) {
    if (known == id) return name;
  }
  return {};
}

// A fake that deletes itself at its last Release; g_liveFakes counts them.
template <typename... Interfaces>
class Counted : public win::ComObject<Interfaces...> {
 public:
  Counted() { ++g_liveFakes; }
  ~Counted() override { --g_liveFakes; }
};

// VariantCopy into `to`, keeping a null BSTR null (Wine's VariantCopy makes
// it an empty one, which would hide the difference under test).
void CopyInto(VARIANT* to, const VARIANT& from) {
  if (V_VT(&from) == VT_BSTR && !V_BSTR(&from)) {
    VariantClear(to);
    *to = from;
    return;
  }
  EXPECT_EQ(VariantCopy(to, const_cast<VARIANT*>(&from)), S_OK);
}

ScopedVariant Copy(const VARIANT& from) {
  ScopedVariant to;
  CopyInto(to.Receive(), from);
  return to;
}

ScopedVariant ObjectValue(IUnknown* object, VARTYPE type = VT_DISPATCH) {
  ScopedVariant value;
  VARIANT* slot = value.Receive();
  V_VT(slot) = type;
  V_UNKNOWN(slot) = object;
  object->AddRef();
  return value;
}

ScopedVariant NullValue() {
  ScopedVariant value;
  V_VT(value.Receive()) = VT_NULL;
  return value;
}

ScopedVariant I2Value(SHORT number) {
  ScopedVariant value;
  VARIANT* slot = value.Receive();
  V_VT(slot) = VT_I2;
  V_I2(slot) = number;
  return value;
}

// A call as the fake received it, arguments in the member's order.
struct Call {
  std::wstring name;
  WORD flags = 0;
  std::vector<ScopedVariant> args;
  std::vector<DISPID> named;
};

// An Outlook object of one kind: a table of members by name, each with the
// status Invoke returns and the value it gives. A member that is not in the
// table is not found when read and succeeds when written.
class FakeDispatch final : public Counted<IDispatch, IOleWindow> {
 public:
  static ComPtr<FakeDispatch> Create(const IID& iid) {
    return ComPtr<FakeDispatch>(new FakeDispatch(iid));
  }

  FakeDispatch& Set(const std::wstring& name, ScopedVariant value, HRESULT hr = S_OK) {
    m_members[name] = {hr, std::move(value), S_OK};
    return *this;
  }
  FakeDispatch& SetText(const std::wstring& name, const OptText& text) {
    return Set(name, ScopedVariant(text));
  }
  FakeDispatch& SetObject(const std::wstring& name, FakeDispatch* object) {
    return Set(name, ObjectValue(object->dispatch()));
  }
  IDispatch* dispatch() { return this; }
  // The member raises an exception carrying `scode`.
  FakeDispatch& Raise(const std::wstring& name, HRESULT scode) {
    m_members[name] = {DISP_E_EXCEPTION, ScopedVariant(), scode};
    return *this;
  }
  FakeDispatch& RejectName(const std::wstring& name, HRESULT hr) {
    m_rejected[name] = hr;
    return *this;
  }
  // Answer IOleWindow with `hwnd`.
  void SetWindow(HWND hwnd) { m_hwnd = hwnd; }
  // Every QueryInterface fails with `hr`.
  void FailQueries(HRESULT hr) { m_queryFailure = hr; }

  const std::vector<Call>& calls() const { return m_calls; }
  int lookupAttempts() const { return m_lookupAttempts; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    *ppv = nullptr;
    if (FAILED(m_queryFailure)) return m_queryFailure;
    return Counted::QueryInterface(riid, ppv);
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override {
    return win::tests::UnexpectedCall("GetTypeInfoCount");
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override {
    return win::tests::UnexpectedCall("GetTypeInfo");
  }

  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    ++m_lookupAttempts;
    if (count != 1) return E_INVALIDARG;
    const std::wstring name = names[0];
    if (const auto rejected = m_rejected.find(name); rejected != m_rejected.end()) {
      return rejected->second;
    }
    ++g_lookups[{m_iid.Data1, name}];
    ids[0] = DispIdOf(name);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* info, UINT*) override {
    Call& call = m_calls.emplace_back();
    call.name = NameOf(id);
    call.flags = flags;
    for (UINT i = params->cArgs; i > 0; --i) call.args.push_back(Copy(params->rgvarg[i - 1]));
    call.named.assign(params->rgdispidNamedArgs, params->rgdispidNamedArgs + params->cNamedArgs);

    const auto member = m_members.find(call.name);
    if (member == m_members.end()) {
      return (flags & DISPATCH_PROPERTYPUT) ? S_OK : DISP_E_MEMBERNOTFOUND;
    }
    // A failing member still writes its value: the adapter must not use it.
    if (result) CopyInto(result, member->second.value.get());
    if (member->second.hr == DISP_E_EXCEPTION) {
      *info = {};
      info->bstrDescription = SysAllocString(L"raised by the fake");
      info->scode = member->second.scode;
    }
    return member->second.hr;
  }

  HRESULT STDMETHODCALLTYPE GetWindow(HWND* hwnd) override {
    *hwnd = m_hwnd;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override {
    return win::tests::UnexpectedCall("ContextSensitiveHelp");
  }

 private:
  struct Member {
    HRESULT hr = S_OK;
    ScopedVariant value;
    HRESULT scode = S_OK;
  };

  explicit FakeDispatch(const IID& iid) : m_iid(iid) {}

  void* Find(REFIID riid) override {
    return win::FindInterface(
        riid, {{IID_IDispatch, static_cast<IDispatch*>(this)},
               {m_iid, static_cast<IDispatch*>(this)},
               {IID_IOleWindow, m_hwnd ? static_cast<IOleWindow*>(this) : nullptr}});
  }

  const IID m_iid;
  std::map<std::wstring, Member> m_members;
  std::map<std::wstring, HRESULT> m_rejected;
  std::vector<Call> m_calls;
  HWND m_hwnd = nullptr;
  HRESULT m_queryFailure = S_OK;
  int m_lookupAttempts = 0;
};

using FakePtr = ComPtr<FakeDispatch>;

// The object a navigation step must give; a null one fails the test.
template <typename T>
std::shared_ptr<T> Must(std::shared_ptr<T> object) {
  if (!object) throw std::runtime_error("the adapter gave no object");
  return object;
}

class AdapterTest : public ::testing::Test {
 protected:
  // Whatever the adapter took from a fake, it gave back.
  void TearDown() override { EXPECT_EQ(g_liveFakes, 0) << "a fake is still referenced"; }
};

// One object of every kind, linked as Outlook links them; every text member
// reads "<kind>.<member>".
struct Profile {
  FakePtr app = FakeDispatch::Create(IID_Outlook_Application);
  FakePtr session = FakeDispatch::Create(IID_Outlook_NameSpace);
  FakePtr inspector = FakeDispatch::Create(IID_Outlook_Inspector);
  FakePtr mail = FakeDispatch::Create(IID_Outlook_MailItem);
  FakePtr copy = FakeDispatch::Create(IID_Outlook_MailItem);
  FakePtr recipients = FakeDispatch::Create(IID_Outlook_Recipients);
  FakePtr recipient = FakeDispatch::Create(IID_Outlook_Recipient);
  FakePtr account = FakeDispatch::Create(IID_Outlook_Account);
  FakePtr lists = FakeDispatch::Create(IID_Outlook_AddressLists);
  FakePtr list = FakeDispatch::Create(IID_Outlook_AddressList);
  FakePtr entries = FakeDispatch::Create(IID_Outlook_AddressEntries);
  FakePtr entry = FakeDispatch::Create(IID_Outlook_AddressEntry);
  FakePtr members = FakeDispatch::Create(IID_Outlook_AddressEntries);
  FakePtr user = FakeDispatch::Create(IID_Outlook_ExchangeUser);
  FakePtr distList = FakeDispatch::Create(IID_Outlook_ExchangeDistributionList);
  FakePtr contact = FakeDispatch::Create(IID_Outlook_ContactItem);

  Profile() {
    Texts(*app.Get(), u"Application", {L"Version"});
    Texts(*mail.Get(), u"MailItem", {L"Subject", L"HTMLBody"});
    Texts(*copy.Get(), u"Copy", {L"Subject"});
    Texts(*recipient.Get(), u"Recipient", {L"Address", L"Name"});
    Texts(*account.Get(), u"Account", {L"UserName", L"SmtpAddress"});
    Texts(*entry.Get(), u"AddressEntry", {L"Address", L"Name"});
    Texts(*user.Get(), u"ExchangeUser",
          {L"FirstName", L"LastName", L"PrimarySmtpAddress", L"CompanyName"});
    Texts(*contact.Get(), u"ContactItem",
          {L"FirstName", L"LastName", L"Email1Address", L"CompanyName"});
    recipient->Set(L"Type", ScopedVariant(3));
    recipients->Set(L"Count", ScopedVariant(4));
    lists->Set(L"Count", ScopedVariant(5));
    list->Set(L"AddressListType", ScopedVariant(6));
    entries->Set(L"Count", ScopedVariant(7));
    members->Set(L"Count", ScopedVariant(8));
    entry->Set(L"AddressEntryUserType", ScopedVariant(9));

    app->SetObject(L"Session", session.Get()).SetObject(L"ActiveInspector", inspector.Get());
    session->SetObject(L"CurrentUser", recipient.Get()).SetObject(L"AddressLists", lists.Get());
    inspector->SetObject(L"CurrentItem", mail.Get());
    mail->SetObject(L"Recipients", recipients.Get())
        .SetObject(L"SendUsingAccount", account.Get())
        .SetObject(L"Copy", copy.Get());
    recipients->SetObject(L"Item", recipient.Get());
    recipient->SetObject(L"AddressEntry", entry.Get());
    lists->SetObject(L"Item", list.Get());
    list->SetObject(L"AddressEntries", entries.Get());
    entries->SetObject(L"Item", entry.Get());
    entry->SetObject(L"Members", members.Get())
        .SetObject(L"GetContact", contact.Get())
        .SetObject(L"GetExchangeUser", user.Get())
        .SetObject(L"GetExchangeDistributionList", distList.Get());
    distList->SetObject(L"GetExchangeDistributionListMembers", members.Get());
  }

  static void Texts(FakeDispatch& fake, const std::u16string& kind,
                    std::initializer_list<const wchar_t*> names) {
    for (const wchar_t* name : names) {
      fake.SetText(name, kind + u"." + reinterpret_cast<const char16_t*>(name));
    }
  }

  std::shared_ptr<outlook::Application> Wrap() const { return WrapApplication(app.Get()); }

  int LookupAttempts() const {
    int attempts = 0;
    for (const FakePtr& fake : {app, session, inspector, mail, copy, recipients, recipient, account,
                                lists, list, entries, entry, members, user, distList, contact}) {
      attempts += fake->lookupAttempts();
    }
    return attempts;
  }
};

std::shared_ptr<outlook::AddressEntry> EntryOf(outlook::Application& app) {
  return Must(
      Must(Must(Must(Must(app.Session())->AddressLists())->Item(1))->AddressEntries())->Item(1));
}
std::shared_ptr<outlook::MailItem> MailOf(outlook::Application& app) {
  return Must(Must(app.ActiveInspector())->CurrentMailItem());
}

// Each read reaches its member, under Outlook's name, on an object reached as
// Outlook links them.
TEST_F(AdapterTest, EveryReadReachesItsOutlookMember) {
  using Read = std::function<OptText(outlook::Application&)>;
  const std::vector<std::pair<std::u16string, Read>> texts = {
      {u"Application.Version", [](auto& app) { return app.Version(); }},
      {u"MailItem.Subject", [](auto& app) { return MailOf(app)->Subject(); }},
      {u"MailItem.HTMLBody", [](auto& app) { return MailOf(app)->HTMLBody(); }},
      {u"Copy.Subject", [](auto& app) { return Must(MailOf(app)->Copy())->Subject(); }},
      {u"Recipient.Address",
       [](auto& app) { return Must(Must(MailOf(app)->Recipients())->Item(1))->Address(); }},
      {u"Recipient.Name",
       [](auto& app) { return Must(Must(MailOf(app)->Recipients())->Item(1))->Name(); }},
      {u"Recipient.Address",
       [](auto& app) { return Must(Must(app.Session())->CurrentUser())->Address(); }},
      {u"AddressEntry.Address",
       [](auto& app) {
         return Must(Must(Must(MailOf(app)->Recipients())->Item(1))->AddressEntry())->Address();
       }},
      {u"Account.UserName",
       [](auto& app) { return Must(MailOf(app)->SendUsingAccount())->UserName(); }},
      {u"Account.SmtpAddress",
       [](auto& app) { return Must(MailOf(app)->SendUsingAccount())->SmtpAddress(); }},
      {u"AddressEntry.Address", [](auto& app) { return EntryOf(app)->Address(); }},
      {u"AddressEntry.Name", [](auto& app) { return EntryOf(app)->Name(); }},
      {u"ExchangeUser.FirstName",
       [](auto& app) { return Must(EntryOf(app)->GetExchangeUser())->FirstName(); }},
      {u"ExchangeUser.LastName",
       [](auto& app) { return Must(EntryOf(app)->GetExchangeUser())->LastName(); }},
      {u"ExchangeUser.PrimarySmtpAddress",
       [](auto& app) { return Must(EntryOf(app)->GetExchangeUser())->PrimarySmtpAddress(); }},
      {u"ExchangeUser.CompanyName",
       [](auto& app) { return Must(EntryOf(app)->GetExchangeUser())->CompanyName(); }},
      {u"ContactItem.FirstName",
       [](auto& app) { return Must(EntryOf(app)->GetContact())->FirstName(); }},
      {u"ContactItem.LastName",
       [](auto& app) { return Must(EntryOf(app)->GetContact())->LastName(); }},
      {u"ContactItem.Email1Address",
       [](auto& app) { return Must(EntryOf(app)->GetContact())->Email1Address(); }},
      {u"ContactItem.CompanyName",
       [](auto& app) { return Must(EntryOf(app)->GetContact())->CompanyName(); }},
  };
  using ReadInt = std::function<outlook::OptInt(outlook::Application&)>;
  const std::vector<std::pair<std::int32_t, ReadInt>> numbers = {
      {3, [](auto& app) { return Must(Must(MailOf(app)->Recipients())->Item(1))->Type(); }},
      {4, [](auto& app) { return Must(MailOf(app)->Recipients())->Count(); }},
      {5, [](auto& app) { return Must(Must(app.Session())->AddressLists())->Count(); }},
      {6,
       [](auto& app) {
         return Must(Must(Must(app.Session())->AddressLists())->Item(1))->AddressListType();
       }},
      {7,
       [](auto& app) {
         return Must(Must(Must(Must(app.Session())->AddressLists())->Item(1))->AddressEntries())
             ->Count();
       }},
      {8, [](auto& app) { return Must(EntryOf(app)->Members())->Count(); }},
      {8,
       [](auto& app) {
         return Must(Must(EntryOf(app)->GetExchangeDistributionList())
                         ->GetExchangeDistributionListMembers())
             ->Count();
       }},
      {9, [](auto& app) { return EntryOf(app)->AddressEntryUserType(); }},
  };

  const Profile profile;
  const auto app = profile.Wrap();
  ASSERT_NE(app, nullptr);
  for (const auto& [expected, read] : texts) {
    EXPECT_EQ(read(*app), expected) << Utf16ToUtf8(expected);
  }
  for (const auto& [expected, read] : numbers) {
    EXPECT_EQ(read(*app), expected);
  }
}

// A missing text (null BSTR, VT_EMPTY, VT_NULL, a failed read) stays apart
// from an empty one.
TEST_F(AdapterTest, TextReadsKeepMissingApartFromEmpty) {
  struct Case {
    const char* label;
    std::function<ScopedVariant()> value;
    HRESULT hr;
    OptText expected;
  };
  const std::vector<Case> cases = {
      {"text", [] { return ScopedVariant(OptText(u"Hello")); }, S_OK, u"Hello"},
      {"empty BSTR", [] { return ScopedVariant(OptText(u"")); }, S_OK, u""},
      {"null BSTR", [] { return ScopedVariant(OptText()); }, S_OK, std::nullopt},
      {"VT_EMPTY", [] { return ScopedVariant(); }, S_OK, std::nullopt},
      {"VT_NULL", NullValue, S_OK, std::nullopt},
      {"number", [] { return ScopedVariant(42); }, S_OK, u"42"},
      {"failed read", [] { return ScopedVariant(OptText(u"stale")); }, E_FAIL, std::nullopt},
  };
  for (const Case& c : cases) {
    const FakePtr fake = FakeDispatch::Create(IID_Outlook_MailItem);
    fake->Set(L"Subject", c.value(), c.hr);
    EXPECT_EQ(Must(WrapMailItem(fake.Get()))->Subject(), c.expected) << c.label;
  }
  // A member the object does not have reads as missing too.
  const FakePtr bare = FakeDispatch::Create(IID_Outlook_MailItem);
  EXPECT_EQ(Must(WrapMailItem(bare.Get()))->HTMLBody(), std::nullopt);
}

TEST_F(AdapterTest, NumberReadsConvertToInt32OrGiveNothing) {
  struct Case {
    const char* label;
    std::function<ScopedVariant()> value;
    HRESULT hr;
    outlook::OptInt expected;
  };
  const std::vector<Case> cases = {
      {"VT_I4", [] { return ScopedVariant(2); }, S_OK, 2},
      {"VT_I2", [] { return I2Value(11); }, S_OK, 11},
      {"numeric text", [] { return ScopedVariant(OptText(u"10")); }, S_OK, 10},
      {"text", [] { return ScopedVariant(OptText(u"To")); }, S_OK, std::nullopt},
      {"VT_EMPTY", [] { return ScopedVariant(); }, S_OK, std::nullopt},
      {"failed read", [] { return ScopedVariant(1); }, E_FAIL, std::nullopt},
  };
  for (const Case& c : cases) {
    const FakePtr mail = FakeDispatch::Create(IID_Outlook_MailItem);
    const FakePtr recipients = FakeDispatch::Create(IID_Outlook_Recipients);
    mail->SetObject(L"Recipients", recipients.Get());
    recipients->Set(L"Count", c.value(), c.hr);
    EXPECT_EQ(Must(Must(WrapMailItem(mail.Get()))->Recipients())->Count(), c.expected) << c.label;
  }
}

// An object's kind is the interface it answers; anything else is no object.
TEST_F(AdapterTest, ObjectsAreTakenOnlyOfTheirKind) {
  struct Case {
    const char* label;
    IID iid;
    VARTYPE type;
    HRESULT hr;
    bool expected;
  };
  const std::vector<Case> cases = {
      {"account", IID_Outlook_Account, VT_DISPATCH, S_OK, true},
      {"account as IUnknown", IID_Outlook_Account, VT_UNKNOWN, S_OK, true},
      {"contact item", IID_Outlook_ContactItem, VT_DISPATCH, S_OK, false},
      {"failed read", IID_Outlook_Account, VT_DISPATCH, E_FAIL, false},
  };
  for (const Case& c : cases) {
    const FakePtr mail = FakeDispatch::Create(IID_Outlook_MailItem);
    const FakePtr account = FakeDispatch::Create(c.iid);
    mail->Set(L"SendUsingAccount", ObjectValue(account->dispatch(), c.type), c.hr);
    EXPECT_EQ(Must(WrapMailItem(mail.Get()))->SendUsingAccount() != nullptr, c.expected) << c.label;
  }

  const Profile profile;
  EXPECT_EQ(WrapApplication(profile.mail.Get()), nullptr);
  EXPECT_EQ(WrapMailItem(profile.contact.Get()), nullptr);
  EXPECT_EQ(WrapApplication(nullptr), nullptr);
  profile.inspector->SetObject(L"CurrentItem", profile.contact.Get());
  EXPECT_EQ(Must(Must(profile.Wrap())->ActiveInspector())->CurrentMailItem(), nullptr);
}

// Out of memory anywhere ends the run, whether or not the call is examined.
TEST_F(AdapterTest, OutOfMemoryThrows) {
  struct Case {
    const char* label;
    std::function<void(FakeDispatch&)> arrange;
    std::function<void(outlook::MailItem&)> act;
  };
  const std::vector<Case> cases = {
      {"read", [](auto& fake) { fake.Set(L"Subject", ScopedVariant(), E_OUTOFMEMORY); },
       [](auto& mail) { mail.Subject(); }},
      {"write", [](auto& fake) { fake.Set(L"Subject", ScopedVariant(), E_OUTOFMEMORY); },
       [](auto& mail) { mail.SetSubject(u"x"); }},
      {"examined call", [](auto& fake) { fake.Set(L"Send", ScopedVariant(), E_OUTOFMEMORY); },
       [](auto& mail) { mail.Send(); }},
      {"raised", [](auto& fake) { fake.Raise(L"Delete", E_OUTOFMEMORY); },
       [](auto& mail) { mail.Delete(); }},
      {"kind query",
       [](auto& fake) {
         const FakePtr account = FakeDispatch::Create(IID_Outlook_Account);
         account->FailQueries(E_OUTOFMEMORY);
         fake.SetObject(L"SendUsingAccount", account.Get());
       },
       [](auto& mail) { mail.SendUsingAccount(); }},
  };
  for (const Case& c : cases) {
    const FakePtr fake = FakeDispatch::Create(IID_Outlook_MailItem);
    c.arrange(*fake.Get());
    const auto mail = WrapMailItem(fake.Get());
    try {
      c.act(*Must(mail));
      ADD_FAILURE() << c.label << ": no exception";
    } catch (const HResultError& error) {
      EXPECT_EQ(error.code(), E_OUTOFMEMORY) << c.label;
    }
  }

  // A name lookup that runs out of memory (a name no other test looks up, so
  // the lookup is not served from the cache).
  const FakePtr fake = FakeDispatch::Create(IID_Outlook_MailItem);
  fake->RejectName(L"LookupOutOfMemory", E_OUTOFMEMORY);
  EXPECT_THROW(Invoke(fake.Get(), Kind::kMailItem, L"LookupOutOfMemory", DISPATCH_METHOD),
               HResultError);
}

// The calls the workflow examines give Outlook's status; a raised exception
// gives its own code.
TEST_F(AdapterTest, ExaminedCallsReturnTheirStatus) {
  constexpr HRESULT kSendFailed = static_cast<HRESULT>(0x80040109);
  using Act = std::function<HRESULT(outlook::MailItem&, outlook::Inspector&)>;
  struct Case {
    const wchar_t* member;
    bool onInspector;
    Act act;
  };
  const std::vector<Case> cases = {
      {L"Send", false, [](auto& mail, auto&) { return mail.Send(); }},
      {L"Close", false, [](auto& mail, auto&) { return mail.Close(outlook::olDiscard); }},
      {L"Delete", false, [](auto& mail, auto&) { return mail.Delete(); }},
      {L"To", false, [](auto& mail, auto&) { return mail.SetTo(u"a@example.com"); }},
      {L"CC", false, [](auto& mail, auto&) { return mail.SetCC(u""); }},
      {L"BCC", false, [](auto& mail, auto&) { return mail.SetBCC(std::nullopt); }},
      {L"Close", true, [](auto&, auto& inspector) { return inspector.Close(outlook::olDiscard); }},
  };
  struct Outcome {
    const char* label;
    std::function<void(FakeDispatch&, const wchar_t*)> arrange;
    HRESULT expected;
  };
  const std::vector<Outcome> outcomes = {
      {"success", [](auto& fake, auto name) { fake.Set(name, ScopedVariant()); }, S_OK},
      {"failure", [](auto& fake, auto name) { fake.Set(name, ScopedVariant(), E_FAIL); }, E_FAIL},
      {"raised", [](auto& fake, auto name) { fake.Raise(name, kSendFailed); }, kSendFailed},
      {"raised without a code", [](auto& fake, auto name) { fake.Raise(name, S_OK); },
       DISP_E_EXCEPTION},
  };
  for (const Case& c : cases) {
    for (const Outcome& outcome : outcomes) {
      const Profile profile;
      outcome.arrange(c.onInspector ? *profile.inspector.Get() : *profile.mail.Get(), c.member);
      const auto app = profile.Wrap();
      const auto inspector = Must(Must(app)->ActiveInspector());
      EXPECT_EQ(c.act(*Must(inspector->CurrentMailItem()), *inspector), outcome.expected)
          << Utf16ToUtf8(reinterpret_cast<const char16_t*>(c.member)) << ", " << outcome.label;
    }
  }
}

// What Outlook receives: property puts with the named DISPID_PROPERTYPUT,
// texts as BSTR (null for a missing one), numbers and indexes as VT_I4.
TEST_F(AdapterTest, ArgumentsReachOutlookAsItsTypesSay) {
  const Profile profile;
  const auto app = profile.Wrap();
  const auto mail = MailOf(*app);
  mail->SetTo(u"a@example.com");
  mail->SetCC(std::nullopt);
  mail->SetBody(u"");
  mail->SetHTMLBody(u"<p>x</p>");
  mail->SetSubject(u"Hi");
  mail->SetBodyFormat(outlook::olFormatHTML);
  mail->Save();
  mail->Close(outlook::olDiscard);
  Must(mail->Recipients())->Item(2);

  struct Expected {
    const wchar_t* name;
    WORD flags;
    VARTYPE type;
    OptText text;
    std::int32_t number;
  };
  const std::vector<Expected> expected = {
      {L"To", DISPATCH_PROPERTYPUT, VT_BSTR, u"a@example.com", 0},
      {L"CC", DISPATCH_PROPERTYPUT, VT_BSTR, std::nullopt, 0},
      {L"Body", DISPATCH_PROPERTYPUT, VT_BSTR, u"", 0},
      {L"HTMLBody", DISPATCH_PROPERTYPUT, VT_BSTR, u"<p>x</p>", 0},
      {L"Subject", DISPATCH_PROPERTYPUT, VT_BSTR, u"Hi", 0},
      {L"BodyFormat", DISPATCH_PROPERTYPUT, VT_I4, std::nullopt, outlook::olFormatHTML},
      {L"Save", DISPATCH_METHOD, VT_EMPTY, std::nullopt, 0},
      {L"Close", DISPATCH_METHOD, VT_I4, std::nullopt, outlook::olDiscard},
      {L"Recipients", DISPATCH_METHOD | DISPATCH_PROPERTYGET, VT_EMPTY, std::nullopt, 0},
  };
  const std::vector<Call>& calls = profile.mail->calls();
  ASSERT_EQ(calls.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const Call& call = calls[i];
    const Expected& e = expected[i];
    SCOPED_TRACE(Utf16ToUtf8(reinterpret_cast<const char16_t*>(e.name)));
    EXPECT_EQ(call.name, e.name);
    EXPECT_EQ(call.flags, e.flags);
    if (e.type == VT_EMPTY) {
      EXPECT_TRUE(call.args.empty());
      continue;
    }
    ASSERT_EQ(call.args.size(), 1u);
    ASSERT_EQ(call.args[0].type(), e.type);
    if (e.type == VT_BSTR) {
      EXPECT_EQ(win::BstrText(V_BSTR(&call.args[0].get())), e.text);
    } else {
      EXPECT_EQ(V_I4(&call.args[0].get()), e.number);
    }
    EXPECT_EQ(call.named, (e.flags == DISPATCH_PROPERTYPUT ? std::vector<DISPID>{DISPID_PROPERTYPUT}
                                                           : std::vector<DISPID>{}));
  }

  const std::vector<Call>& items = profile.recipients->calls();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].name, L"Item");
  EXPECT_TRUE(items[0].flags & DISPATCH_METHOD);
  ASSERT_EQ(items[0].args.size(), 1u);
  ASSERT_EQ(items[0].args[0].type(), VT_I4);
  EXPECT_EQ(V_I4(&items[0].args[0].get()), 2);
}

// Each name is looked up once per kind for the whole process, however many
// objects of that kind are used; a lookup that fails is tried again.
TEST_F(AdapterTest, LooksEachNameUpOncePerKind) {
  for (int round = 0; round < 3; ++round) {
    const Profile profile;
    const auto app = profile.Wrap();
    const auto mail = MailOf(*app);
    mail->Subject();
    mail->Subject();
    Must(mail->Copy())->Subject();
    Must(EntryOf(*app)->GetContact())->FirstName();
    Must(EntryOf(*app)->GetExchangeUser())->FirstName();
    // Fresh objects of kinds already used need no lookup at all.
    if (round > 0) {
      EXPECT_EQ(profile.LookupAttempts(), 0) << "round " << round;
    }
  }
  // FirstName is a member of two kinds and was looked up on each.
  EXPECT_EQ((g_lookups[{IID_Outlook_ContactItem.Data1, L"FirstName"}]), 1);
  EXPECT_EQ((g_lookups[{IID_Outlook_ExchangeUser.Data1, L"FirstName"}]), 1);
  EXPECT_EQ((g_lookups[{IID_Outlook_MailItem.Data1, L"Subject"}]), 1);
  for (const auto& [key, count] : g_lookups) {
    EXPECT_EQ(count, 1) << Utf16ToUtf8(reinterpret_cast<const char16_t*>(std::get<1>(key).c_str()));
  }

  const FakePtr rejecting = FakeDispatch::Create(IID_Outlook_MailItem);
  rejecting->RejectName(L"NoSuchMember", DISP_E_UNKNOWNNAME);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(Invoke(rejecting.Get(), Kind::kMailItem, L"NoSuchMember", DISPATCH_METHOD).hr,
              DISP_E_UNKNOWNNAME);
  }
  EXPECT_EQ(rejecting->lookupAttempts(), 2);
}

// A wrapper holds one reference of its own while it lives and none after.
TEST_F(AdapterTest, WrappersHoldTheirObjectUntilReleased) {
  FakePtr fake = FakeDispatch::Create(IID_Outlook_MailItem);
  fake->SetText(L"Subject", u"kept");
  FakeDispatch* const raw = fake.Get();
  auto mail = WrapMailItem(raw);
  EXPECT_EQ(raw->refs(), 2u);
  fake.Reset();
  EXPECT_EQ(Must(mail)->Subject(), u"kept");  // still alive through the wrapper
  mail.reset();
  EXPECT_EQ(g_liveFakes, 0);

  // Reading objects and dropping them gives every reference back.
  const Profile profile;
  {
    const auto app = profile.Wrap();
    EntryOf(*app)->GetExchangeDistributionList();
    MailOf(*app)->Copy();
  }
  EXPECT_EQ(profile.app->refs(), 1u);
  // The profile's, its entries' Item value and its recipient's AddressEntry.
  EXPECT_EQ(profile.entry->refs(), 3u);
  EXPECT_EQ(profile.distList->refs(), 2u);
  EXPECT_EQ(profile.copy->refs(), 2u);
}

TEST_F(AdapterTest, InspectorWindowComesFromIOleWindow) {
  const Profile profile;
  const auto app = profile.Wrap();
  EXPECT_EQ(Must(app->ActiveInspector())->Window(), platform::kNoWindow);
  profile.inspector->SetWindow(reinterpret_cast<HWND>(0x1234));
  EXPECT_EQ(Must(app->ActiveInspector())->Window(), platform::WindowHandle{0x1234});
}

// MAPI's objects as a provider gives them: every method is an unexpected
// call until a fake overrides it (the declarations name parameters that
// stubs do not use).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
class StubMapiSession : public IMAPISession {
 public:
  MAPI_IMAPISESSION_METHODS(override { return win::tests::UnexpectedCall("IMAPISession"); })
};
class StubMapiProp : public IMAPIProp {
 public:
  MAPI_IMAPIPROP_METHODS(override { return win::tests::UnexpectedCall("IMAPIProp"); })
};
#pragma GCC diagnostic pop

// Buffers allocated as MAPI allocates them, so that the adapter's
// MAPIFreeBuffer frees them.
struct MapiAllocator {
  MapiAllocator() {
    allocate = reinterpret_cast<decltype(allocate)>(
        reinterpret_cast<void*>(GetProcAddress(module.get(), "MAPIAllocateBuffer")));
    more = reinterpret_cast<decltype(more)>(
        reinterpret_cast<void*>(GetProcAddress(module.get(), "MAPIAllocateMore")));
  }
  wchar_t* Text(const wchar_t* text, void* parent) const {
    void* buffer = nullptr;
    EXPECT_EQ(more(static_cast<ULONG>((wcslen(text) + 1) * sizeof(wchar_t)), parent, &buffer), 0);
    return wcscpy(static_cast<wchar_t*>(buffer), text);
  }

  win::UniqueModule module{LoadLibraryW(L"mapi32.dll")};
  SCODE(WINAPI* allocate)(ULONG, void**) = nullptr;
  SCODE(WINAPI* more)(ULONG, void*, void**) = nullptr;
};

constexpr ULONG kPtErrorEmailAddress = (outlook::kPrEmailAddressW & 0xFFFF0000) | PT_ERROR;

// An Exchange identity without PR_EMAIL_ADDRESS_W.
class FakeMailUser final : public Counted<StubMapiProp> {
 public:
  explicit FakeMailUser(const MapiAllocator& mapi) : m_mapi(mapi) {}

  HRESULT STDMETHODCALLTYPE GetProps(LPSPropTagArray tags, ULONG flags, ULONG* count,
                                     LPSPropValue* props) override {
    requested.assign(tags->aulPropTag, tags->aulPropTag + tags->cValues);
    requestFlags = flags;
    EXPECT_EQ(m_mapi.allocate(3 * sizeof(SPropValue), reinterpret_cast<void**>(props)), 0);
    (*props)[0] = {outlook::kPrAddrTypeW, 0, {}};
    (*props)[0].Value.lpszW = m_mapi.Text(L"EX", *props);
    (*props)[1] = {kPtErrorEmailAddress, 0, {}};
    (*props)[1].Value.err = MAPI_E_NOT_FOUND;
    (*props)[2] = {outlook::kPrSmtpAddressW, 0, {}};
    (*props)[2].Value.lpszW = m_mapi.Text(L"sam@example.com", *props);
    *count = 3;
    return MAPI_W_ERRORS_RETURNED;
  }

  std::vector<ULONG> requested;
  ULONG requestFlags = ~0u;

 private:
  // Only IUnknown: the adapter asks the identity for nothing else.
  void* Find(REFIID riid) override {
    return win::FindInterface(riid, {{IID_IUnknown, static_cast<IMAPIProp*>(this)}});
  }
  const MapiAllocator& m_mapi;
};

const outlook::MapiEntryId kIdentity = {0x00, 0x00, 0x00, 0x00, 0xDC, 0xA7, 0x40, 0xC8};

class FakeMapiSession final : public Counted<StubMapiSession> {
 public:
  FakeMapiSession(const MapiAllocator& mapi, IUnknown* mailUser)
      : m_mapi(mapi), m_spMailUser(mailUser) {}

  HRESULT STDMETHODCALLTYPE QueryIdentity(ULONG* size, LPENTRYID* id) override {
    EXPECT_EQ(m_mapi.allocate(static_cast<ULONG>(kIdentity.size()), reinterpret_cast<void**>(id)),
              0);
    memcpy(*id, kIdentity.data(), kIdentity.size());
    *size = static_cast<ULONG>(kIdentity.size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OpenEntry(ULONG size, LPENTRYID id, LPCIID iid, ULONG flags,
                                      ULONG* type, LPUNKNOWN* entry) override {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(id);
    opened.assign(bytes, bytes + size);
    openedWithInterface = iid != nullptr;
    openFlags = flags;
    *type = MAPI_MAILUSER;
    *entry = m_spMailUser.Get();
    (*entry)->AddRef();
    return S_OK;
  }

  outlook::MapiEntryId opened;
  bool openedWithInterface = true;
  ULONG openFlags = 0;

 private:
  void* Find(REFIID riid) override {
    return win::FindInterface(riid, {{IID_MapiSession, static_cast<IMAPISession*>(this)}});
  }

  const MapiAllocator& m_mapi;
  ComPtr<IUnknown> m_spMailUser;
};

TEST_F(AdapterTest, MapiStepsReadTheIdentityBehindMapiObject) {
  const MapiAllocator mapi;
  ASSERT_TRUE(mapi.allocate && mapi.more);
  const ComPtr<FakeMailUser> mailUser(new FakeMailUser(mapi));
  const ComPtr<FakeMapiSession> session(new FakeMapiSession(mapi, mailUser.Get()));
  const Profile profile;
  profile.session->Set(L"MAPIOBJECT", ObjectValue(session.Get(), VT_UNKNOWN));
  const auto app = profile.Wrap();

  std::shared_ptr<outlook::MapiObject> object;
  ASSERT_EQ(Must(app->Session())->MAPIOBJECT(object), S_OK);
  std::shared_ptr<outlook::MapiSession> mapiSession;
  ASSERT_EQ(Must(object)->QueryMapiSession(mapiSession), S_OK);
  outlook::MapiEntryId id;
  ASSERT_EQ(Must(mapiSession)->QueryIdentity(id), S_OK);
  EXPECT_EQ(id, kIdentity);
  std::shared_ptr<outlook::MapiProp> entry;
  ASSERT_EQ(mapiSession->OpenEntry(id, outlook::kMapiBestAccess, entry), S_OK);
  EXPECT_EQ(session->opened, kIdentity);
  EXPECT_FALSE(session->openedWithInterface);
  EXPECT_EQ(session->openFlags, ULONG{MAPI_BEST_ACCESS});

  std::vector<outlook::MapiPropValue> values;
  EXPECT_EQ(
      Must(entry)->GetProps(
          {outlook::kPrAddrTypeW, outlook::kPrEmailAddressW, outlook::kPrSmtpAddressW}, values),
      MAPI_W_ERRORS_RETURNED);
  EXPECT_EQ(mailUser->requested,
            (std::vector<ULONG>{outlook::kPrAddrTypeW, outlook::kPrEmailAddressW,
                                outlook::kPrSmtpAddressW}));
  EXPECT_EQ(mailUser->requestFlags, 0u);
  ASSERT_EQ(values.size(), 3u);
  EXPECT_EQ(values[0].tag, outlook::kPrAddrTypeW);
  EXPECT_EQ(values[0].text, u"EX");
  EXPECT_EQ(values[1].tag, kPtErrorEmailAddress);
  EXPECT_EQ(values[1].text, u"");
  EXPECT_EQ(values[2].tag, outlook::kPrSmtpAddressW);
  EXPECT_EQ(values[2].text, u"sam@example.com");
}

TEST_F(AdapterTest, MapiStepsStopWithTheFailingStatus) {
  const Profile profile;
  const auto app = profile.Wrap();
  std::shared_ptr<outlook::MapiObject> object;
  profile.session->Set(L"MAPIOBJECT", ScopedVariant(), E_FAIL);
  EXPECT_EQ(Must(app->Session())->MAPIOBJECT(object), E_FAIL);
  EXPECT_EQ(object, nullptr);

  // An object that is no MAPI session (here one of Outlook's, as VT_DISPATCH).
  profile.session->SetObject(L"MAPIOBJECT", profile.account.Get());
  ASSERT_EQ(Must(app->Session())->MAPIOBJECT(object), S_OK);
  std::shared_ptr<outlook::MapiSession> mapiSession;
  EXPECT_EQ(Must(object)->QueryMapiSession(mapiSession), E_NOINTERFACE);
  EXPECT_EQ(mapiSession, nullptr);
}

// Wine has no MAPI provider: mapi32.dll loads and MAPIInitialize reports
// that MAPI is not initialised.
TEST_F(AdapterTest, MapiLibraryCallsMapi32) {
  const Profile profile;
  EXPECT_EQ(Must(profile.Wrap())->Mapi().Initialize(), MAPI_E_NOT_INITIALIZED);
}

// Win32Desktop's pump: every queued message reaches its window, and a quit
// request is left for the thread's own loop.
std::vector<WPARAM> g_received;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_APP) {
    g_received.push_back(wparam);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

TEST(Win32DesktopTest, PumpDispatchesEveryQueuedMessage) {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = RecordingProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"NorvaleAdapterTestWindow";
  ASSERT_NE(RegisterClassW(&windowClass), 0);
  win::UniqueHwnd window(CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0,
                                         HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr));
  ASSERT_TRUE(window);
  const HWND hwnd = window.get();

  g_received.clear();
  ASSERT_TRUE(PostMessageW(hwnd, WM_APP, 1, 0));
  ASSERT_TRUE(PostMessageW(hwnd, WM_APP, 2, 0));
  PostQuitMessage(7);
  platform::Win32Desktop().PumpMessages();
  EXPECT_EQ(g_received, (std::vector<WPARAM>{1, 2}));

  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));

  window.reset();  // a class with windows cannot be unregistered
  UnregisterClassW(windowClass.lpszClassName, windowClass.hInstance);
}

}  // namespace
}  // namespace norvale::com
