// The harness's simulated Outlook on its own, called by name through
// IDispatch as the add-in's adapter calls it: values, missing values,
// faults, windows, event connections and references; and its MAPI, called
// as the add-in calls it.
#include "sim/com/sim_com.h"

#include <mapix.h>
#include <oleauto.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "addin/explorer_events.h"
#include "base/win/bstr.h"
#include "outlook/com/outlook_iids.h"
#include "sim/com/ribbon_control.h"
#include "sim/com/sim_mapi.h"
#include "sim/outlook/scenario.h"
#include "tests/win/fakes.h"

namespace norvale::win::tests {

using sim::ComObjectCount;
using sim::DescribeLiveComObjects;
using sim::ExplorerEventLog;
using sim::InvokeByName;
using sim::LiveComObjects;
using sim::NewRibbonControl;
using sim::SimOutlookCom;
namespace {

using Microsoft::WRL::ComPtr;

constexpr char kScenario[] = R"({
  "outlookVersion": "16.0.4266.1001",
  "addressLists": [{"name": "Global Address List", "type": 0, "entries": [
    {"userType": 0, "address": "/o=Contoso/cn=ann", "name": "Ann",
     "exchangeUser": {"firstName": "Ann", "lastName": null,
                      "primarySmtpAddress": "ann@contoso.com", "companyName": "Contoso"}}]}],
  "message": {"subject": "Hello", "htmlBody": null,
    "account": {"smtpAddress": "", "userName": "Mary"},
    "recipients": [{"type": 1, "address": "a@x.example", "name": "A"},
                   {"type": 2, "address": "b@x.example", "name": null}]}
})";

// A VARIANT that clears itself.
struct Variant : VARIANT {
  Variant() { VariantInit(this); }
  explicit Variant(std::int32_t number) : Variant() {
    vt = VT_I4;
    lVal = number;
  }
  explicit Variant(const wchar_t* text) : Variant() {
    vt = VT_BSTR;
    bstrVal = text != nullptr ? SysAllocString(text) : nullptr;
  }
  ~Variant() { VariantClear(this); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
};

// Whether `object` answers `iid`.
bool Answers(IUnknown* object, REFIID iid) {
  IUnknown* answer = nullptr;
  if (FAILED(object->QueryInterface(iid, reinterpret_cast<void**>(&answer)))) return false;
  answer->Release();
  return true;
}

// The object that `name` gives, read as Outlook's callers read it.
ComPtr<IDispatch> Object(IDispatch* from, const wchar_t* name, WORD flags = DISPATCH_PROPERTYGET,
                         std::vector<VARIANT> args = {}) {
  Variant result;
  EXPECT_EQ(InvokeByName(from, name, flags, args, &result), S_OK) << name;
  EXPECT_EQ(result.vt, VT_DISPATCH) << name;
  return result.vt == VT_DISPATCH ? ComPtr<IDispatch>(result.pdispVal) : nullptr;
}

// A text property: std::nullopt when the read fails, as it does for a string
// the profile does not have.
OptText Text(IDispatch* from, const wchar_t* name) {
  Variant result;
  if (FAILED(InvokeByName(from, name, DISPATCH_PROPERTYGET, {}, &result))) return std::nullopt;
  EXPECT_EQ(result.vt, VT_BSTR) << name;
  if (result.vt != VT_BSTR) return std::nullopt;
  return BstrText(result.bstrVal);
}

HRESULT Put(IDispatch* to, const wchar_t* name, const VARIANT& value) {
  return InvokeByName(to, name, DISPATCH_PROPERTYPUT, {&value, 1}, nullptr);
}

class SimComTest : public ::testing::Test {
 protected:
  // Every test hands back whatever it got.
  void SetUp() override { m_before = LiveComObjects(); }
  void TearDown() override { EXPECT_EQ(LiveComObjects(), m_before) << DescribeLiveComObjects(); }

  // The test scenario with the JSON members `members` added.
  static sim::Scenario With(const std::string& members) {
    std::string text = kScenario;
    text.insert(text.rfind('}'), ", " + members);
    return sim::ParseScenario(text, "test scenario");
  }
  static sim::Scenario WithFaults(const std::string& faults) {
    return With("\"faults\": " + faults);
  }

  ComObjectCount m_before;
};

TEST_F(SimComTest, ReadsAndWritesThroughThePortByName) {
  sim::SimOutlook outlook(sim::ParseScenario(kScenario, "test scenario"));
  SimOutlookCom com(outlook);
  IDispatch* app = com.application();
  EXPECT_TRUE(Answers(app, com::IID_Outlook_Application));
  EXPECT_EQ(Text(app, L"Version"), u"16.0.4266.1001");

  ComPtr<IDispatch> spInspector = Object(app, L"ActiveInspector", DISPATCH_METHOD);
  ASSERT_TRUE(spInspector);
  EXPECT_TRUE(Answers(spInspector.Get(), com::IID_Outlook_Inspector));
  ComPtr<IDispatch> spItem = Object(spInspector.Get(), L"CurrentItem");
  ASSERT_TRUE(spItem);
  EXPECT_TRUE(Answers(spItem.Get(), com::IID_Outlook_MailItem));
  EXPECT_FALSE(Answers(spItem.Get(), com::IID_Outlook_Recipient));

  // A string the profile does not have is a failed read, never an empty
  // string: the type library's dispatch would copy a null BSTR into one.
  EXPECT_EQ(Text(spItem.Get(), L"Subject"), u"Hello");
  Variant missing;
  EXPECT_TRUE(FAILED(InvokeByName(spItem.Get(), L"HTMLBody", DISPATCH_PROPERTYGET, {}, &missing)));
  EXPECT_EQ(Text(spItem.Get(), L"HTMLBody"), std::nullopt);
  ComPtr<IDispatch> spAccount = Object(spItem.Get(), L"SendUsingAccount");
  ASSERT_TRUE(spAccount);
  EXPECT_EQ(Text(spAccount.Get(), L"SmtpAddress"), u"");

  EXPECT_EQ(Put(spItem.Get(), L"Subject", Variant(L"Changed")), S_OK);
  EXPECT_EQ(Put(spItem.Get(), L"HTMLBody", Variant(static_cast<const wchar_t*>(nullptr))), S_OK);
  Variant format;
  format.vt = VT_I2;  // coerced, as a type library coerces it
  format.iVal = 2;
  EXPECT_EQ(Put(spItem.Get(), L"BodyFormat", format), S_OK);
  EXPECT_EQ(outlook.source().fields.subject, u"Changed");
  EXPECT_EQ(outlook.source().fields.htmlBody, std::nullopt);
  EXPECT_EQ(outlook.source().bodyFormatWrites, std::vector<std::int32_t>{2});

  ComPtr<IDispatch> spRecipients = Object(spItem.Get(), L"Recipients");
  ASSERT_TRUE(spRecipients);
  Variant count;
  EXPECT_EQ(InvokeByName(spRecipients.Get(), L"Count", DISPATCH_PROPERTYGET, {}, &count), S_OK);
  EXPECT_EQ(count.vt, VT_I4);
  EXPECT_EQ(count.lVal, 2);
  ComPtr<IDispatch> spSecond = Object(spRecipients.Get(), L"Item", DISPATCH_METHOD, {Variant(2)});
  ASSERT_TRUE(spSecond);
  EXPECT_EQ(Text(spSecond.Get(), L"Name"), std::nullopt);
  // No address list holds b@x.example, so Outlook resolved it to no entry:
  // the member answers, with nothing.
  EXPECT_FALSE(Object(spSecond.Get(), L"AddressEntry"));
  EXPECT_EQ(Text(spSecond.Get(), L"Address"), u"b@x.example");
  Variant three(3), outOfRange;
  EXPECT_EQ(InvokeByName(spRecipients.Get(), L"Item", DISPATCH_METHOD,
                         {static_cast<VARIANT*>(&three), 1}, &outOfRange),
            S_OK);
  EXPECT_EQ(outOfRange.vt, VT_DISPATCH);
  EXPECT_EQ(outOfRange.pdispVal, nullptr);

  ComPtr<IDispatch> spLists = Object(Object(app, L"Session").Get(), L"AddressLists");
  ComPtr<IDispatch> spEntries = Object(
      Object(spLists.Get(), L"Item", DISPATCH_METHOD, {Variant(1)}).Get(), L"AddressEntries");
  ComPtr<IDispatch> spEntry = Object(spEntries.Get(), L"Item", DISPATCH_METHOD, {Variant(1)});
  ComPtr<IDispatch> spUser = Object(spEntry.Get(), L"GetExchangeUser", DISPATCH_METHOD);
  ASSERT_TRUE(spUser);
  EXPECT_TRUE(Answers(spUser.Get(), com::IID_Outlook_ExchangeUser));
  EXPECT_EQ(Text(spUser.Get(), L"FirstName"), u"Ann");
  EXPECT_EQ(Text(spUser.Get(), L"LastName"), std::nullopt);

  EXPECT_EQ(InvokeByName(spItem.Get(), L"Send", DISPATCH_METHOD, {}, nullptr), S_OK);
  ASSERT_EQ(outlook.sent().size(), 1u);
  EXPECT_EQ(outlook.sent()[0].subject, u"Changed");

  // Each call reached the simulator once, under Outlook's name.
  EXPECT_EQ(outlook.callCount("MailItem.Subject"), 2);
  EXPECT_EQ(outlook.callCount("Application.ActiveInspector"), 1);
  EXPECT_EQ(outlook.callCount("Recipients.Item"), 2);
  EXPECT_EQ(outlook.callCount("MailItem.Send"), 1);
}

TEST_F(SimComTest, FaultsReachTheCallerAsInvokeResults) {
  sim::SimOutlook outlook(WithFaults(R"([
      {"call": "MailItem.Send", "nth": 1, "hr": "0x80070005"},
      {"call": "Recipient.Address", "nth": 1, "throw": "0x8007000E"},
      {"call": "Recipients.Count", "nth": 1, "empty": true},
      {"call": "MailItem.Subject", "nth": 1, "empty": true},
      {"call": "MailItem.SendUsingAccount", "nth": 1, "empty": true}])"));
  SimOutlookCom com(outlook);
  ComPtr<IDispatch> spItem =
      Object(Object(com.application(), L"ActiveInspector", DISPATCH_METHOD).Get(), L"CurrentItem");
  ASSERT_TRUE(spItem);

  EXPECT_EQ(InvokeByName(spItem.Get(), L"Send", DISPATCH_METHOD, {}, nullptr),
            static_cast<HRESULT>(0x80070005));
  EXPECT_TRUE(outlook.sent().empty());
  EXPECT_EQ(Text(spItem.Get(), L"Subject"), std::nullopt);
  Variant account;
  EXPECT_EQ(InvokeByName(spItem.Get(), L"SendUsingAccount", DISPATCH_PROPERTYGET, {}, &account),
            S_OK);
  EXPECT_EQ(account.vt, VT_DISPATCH);
  EXPECT_EQ(account.pdispVal, nullptr);

  ComPtr<IDispatch> spRecipients = Object(spItem.Get(), L"Recipients");
  ASSERT_TRUE(spRecipients);
  Variant count;
  EXPECT_EQ(InvokeByName(spRecipients.Get(), L"Count", DISPATCH_PROPERTYGET, {}, &count), E_FAIL);
  ComPtr<IDispatch> spFirst = Object(spRecipients.Get(), L"Item", DISPATCH_METHOD, {Variant(1)});
  ASSERT_TRUE(spFirst);
  Variant address;
  EXPECT_EQ(InvokeByName(spFirst.Get(), L"Address", DISPATCH_PROPERTYGET, {}, &address),
            E_OUTOFMEMORY);
}

// A call bound wrongly is refused by the type library's dispatch, as Outlook
// refuses it, and is no call of the simulator.
TEST_F(SimComTest, RefusesWhatOutlooksTypeLibraryRefuses) {
  sim::SimOutlook outlook(sim::ParseScenario(kScenario, "test scenario"));
  SimOutlookCom com(outlook);
  ComPtr<IDispatch> spItem =
      Object(Object(com.application(), L"ActiveInspector", DISPATCH_METHOD).Get(), L"CurrentItem");
  ASSERT_TRUE(spItem);
  ComPtr<IDispatch> spRecipients = Object(spItem.Get(), L"Recipients");
  ASSERT_TRUE(spRecipients);
  const std::int64_t calls = outlook.totalCalls();

  Variant text(L"x"), number(1), notANumber(L"not a number");
  struct Case {
    const char* name;
    IDispatch* object;
    const wchar_t* member;
    WORD flags;
    std::vector<VARIANT> args;
    HRESULT hr;
  };
  const Case kCases[] = {
      {"unknown name", spItem.Get(), L"Subjects", DISPATCH_PROPERTYGET, {}, DISP_E_UNKNOWNNAME},
      {"property read as a method",
       spItem.Get(),
       L"Subject",
       DISPATCH_METHOD,
       {},
       DISP_E_MEMBERNOTFOUND},
      {"method read as a property",
       spItem.Get(),
       L"Copy",
       DISPATCH_PROPERTYGET,
       {},
       DISP_E_MEMBERNOTFOUND},
      {"put on a read-only property",
       spItem.Get(),
       L"Recipients",
       DISPATCH_PROPERTYPUT,
       {text},
       DISP_E_MEMBERNOTFOUND},
      {"method without its argument",
       spItem.Get(),
       L"Close",
       DISPATCH_METHOD,
       {},
       DISP_E_BADPARAMCOUNT},
      {"argument of the wrong type",
       spItem.Get(),
       L"Close",
       DISPATCH_METHOD,
       {notANumber},
       DISP_E_TYPEMISMATCH},
      {"Item with two arguments",
       spRecipients.Get(),
       L"Item",
       DISPATCH_METHOD,
       {number, number},
       DISP_E_BADPARAMCOUNT},
      {"Item with a wrong index",
       spRecipients.Get(),
       L"Item",
       DISPATCH_METHOD,
       {notANumber},
       DISP_E_TYPEMISMATCH},
  };
  for (const Case& c : kCases) {
    Variant result;
    EXPECT_EQ(InvokeByName(c.object, c.member, c.flags, c.args, &result), c.hr) << c.name;
  }

  // Outlook's DISPIDs; a DISPID of another kind is not this kind's member.
  LPOLESTR name = const_cast<LPOLESTR>(L"subject");
  DISPID id = DISPID_UNKNOWN;
  ASSERT_EQ(spItem->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
  EXPECT_EQ(id, 0x37);
  name = const_cast<LPOLESTR>(L"Count");
  ASSERT_EQ(spRecipients->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
  EXPECT_EQ(id, 0x50);
  DISPPARAMS none = {};
  EXPECT_EQ(spItem->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, nullptr,
                           nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(outlook.totalCalls(), calls);
}

// An event sink that answers the dispinterface `events` (none when null) and
// notes the events it hears.
class Sink final : public OwnedFake<IDispatch> {
 public:
  explicit Sink(const IID* events) : m_events(events) {}
  STDMETHODIMP GetTypeInfoCount(UINT*) override { return UnexpectedCall("GetTypeInfoCount"); }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override {
    return UnexpectedCall("GetTypeInfo");
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return UnexpectedCall("GetIDsOfNames");
  }
  STDMETHODIMP Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) override {
    heard.push_back(dispid);
    return S_OK;
  }

  std::vector<DISPID> heard;

 private:
  void* Find(REFIID riid) override {
    if (m_events != nullptr && riid == *m_events) return static_cast<IDispatch*>(this);
    return FindInterface(riid, {{IID_IDispatch, static_cast<IDispatch*>(this)}});
  }

  const IID* m_events;
};

// The explorer's connection point for `events`.
ComPtr<IConnectionPoint> EventPoint(IDispatch* explorer, REFIID events) {
  ComPtr<IConnectionPointContainer> spContainer;
  ComPtr<IConnectionPoint> spPoint;
  EXPECT_EQ(explorer->QueryInterface(IID_PPV_ARGS(&spContainer)), S_OK);
  if (spContainer) {
    EXPECT_EQ(spContainer->FindConnectionPoint(events, &spPoint), S_OK);
  }
  return spPoint;
}

TEST_F(SimComTest, WindowsAndExplorerEventConnections) {
  sim::SimOutlook outlook(
      WithFaults(R"([{"call": "Inspector.GetWindow", "nth": 2, "empty": true}])"));
  SimOutlookCom com(outlook);
  ASSERT_TRUE(IsWindow(com.inspectorWindow()));
  ASSERT_TRUE(IsWindow(com.explorerWindow()));

  // The inspector's window, unless the simulator withholds it.
  ComPtr<IOleWindow> spInspectorWindow;
  ASSERT_EQ(Object(com.application(), L"ActiveInspector", DISPATCH_METHOD).As(&spInspectorWindow),
            S_OK);
  HWND window = nullptr;
  EXPECT_EQ(spInspectorWindow->GetWindow(&window), S_OK);
  EXPECT_EQ(window, com.inspectorWindow());
  EXPECT_EQ(spInspectorWindow->GetWindow(&window), E_FAIL);
  EXPECT_EQ(window, nullptr);
  EXPECT_EQ(outlook.callCount("Inspector.GetWindow"), 2);

  ComPtr<IDispatch> spExplorer = Object(com.application(), L"ActiveExplorer", DISPATCH_METHOD);
  ASSERT_TRUE(spExplorer);
  EXPECT_TRUE(Answers(spExplorer.Get(), com::IID_Outlook_Explorer));
  ComPtr<IOleWindow> spExplorerWindow;
  ASSERT_EQ(spExplorer.As(&spExplorerWindow), S_OK);
  EXPECT_EQ(spExplorerWindow->GetWindow(&window), S_OK);
  EXPECT_EQ(window, com.explorerWindow());

  ComPtr<IConnectionPointContainer> spContainer;
  ASSERT_EQ(spExplorer.As(&spContainer), S_OK);
  ComPtr<IConnectionPoint> spNone;
  EXPECT_EQ(spContainer->FindConnectionPoint(IID_IDispatch, &spNone), CONNECT_E_NOCONNECTION);
  ComPtr<IConnectionPoint> spPoint =
      EventPoint(spExplorer.Get(), com::IID_Outlook_ExplorerEvents_10);
  ComPtr<IConnectionPoint> spOlder = EventPoint(spExplorer.Get(), com::IID_Outlook_ExplorerEvents);
  ASSERT_TRUE(spPoint && spOlder);
  IID iid = {};
  EXPECT_EQ(spOlder->GetConnectionInterface(&iid), S_OK);
  EXPECT_EQ(iid, com::IID_Outlook_ExplorerEvents);

  // A sink must answer the point's own dispinterface.
  Sink sink(&com::IID_Outlook_ExplorerEvents_10), deaf(nullptr);
  DWORD cookie = 0, refused = 0;
  EXPECT_EQ(spPoint->Advise(&deaf, &refused), CONNECT_E_CANNOTCONNECT);
  EXPECT_EQ(spOlder->Advise(&sink, &refused), CONNECT_E_CANNOTCONNECT);
  EXPECT_EQ(deaf.refs(), 1u);
  ASSERT_EQ(spPoint->Advise(&sink, &cookie), S_OK);
  EXPECT_EQ(sink.refs(), 2u);  // the connection holds the sink
  EXPECT_EQ(com.explorerEvents().standing, 1);
  EXPECT_EQ(spOlder->Unadvise(cookie), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(spPoint->Unadvise(cookie), S_OK);
  EXPECT_EQ(spPoint->Unadvise(cookie), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(sink.refs(), 1u);
  const ExplorerEventLog log = com.explorerEvents();
  EXPECT_EQ(log.advised, 1);
  EXPECT_EQ(log.unadvised, 1);
  EXPECT_EQ(log.standing, 0);

  // Outlook started without a main window.
  SimOutlookCom headless(outlook, false);
  Variant none;
  EXPECT_EQ(InvokeByName(headless.application(), L"ActiveExplorer", DISPATCH_METHOD, {}, &none),
            S_OK);
  EXPECT_EQ(none.vt, VT_DISPATCH);
  EXPECT_EQ(none.pdispVal, nullptr);
}

// Each connection point fires the events its dispinterface declares: the
// inline-reply events reach only the sinks of ExplorerEvents_10, an older
// event the sinks of both.
TEST_F(SimComTest, ExplorerEventsReachTheSinksOfTheirDispinterface) {
  sim::SimOutlook outlook(sim::ParseScenario(kScenario, "test scenario"));
  SimOutlookCom com(outlook);
  ComPtr<IDispatch> spExplorer = Object(com.application(), L"ActiveExplorer", DISPATCH_METHOD);
  ASSERT_TRUE(spExplorer);
  Sink current(&com::IID_Outlook_ExplorerEvents_10), older(&com::IID_Outlook_ExplorerEvents);
  DWORD cookies[2] = {};
  ComPtr<IConnectionPoint> spPoint =
      EventPoint(spExplorer.Get(), com::IID_Outlook_ExplorerEvents_10);
  ComPtr<IConnectionPoint> spOlder = EventPoint(spExplorer.Get(), com::IID_Outlook_ExplorerEvents);
  ASSERT_TRUE(spPoint && spOlder);
  ASSERT_EQ(spPoint->Advise(&current, &cookies[0]), S_OK);
  ASSERT_EQ(spOlder->Advise(&older, &cookies[1]), S_OK);

  com.RaiseInlineResponse();
  com.RaiseExplorerEvent(kDispidInlineResponseClose, {});
  com.RaiseExplorerEvent(0xF007, {});  // SelectionChange
  EXPECT_EQ(current.heard,
            (std::vector<DISPID>{kDispidInlineResponse, kDispidInlineResponseClose, 0xF007}));
  EXPECT_EQ(older.heard, std::vector<DISPID>{0xF007});

  EXPECT_EQ(spPoint->Unadvise(cookies[0]), S_OK);
  EXPECT_EQ(spOlder->Unadvise(cookies[1]), S_OK);
}

TEST_F(SimComTest, RibbonControlAnswersItsIdByVtableAndByName) {
  ComPtr<IRibbonControl> spControl = NewRibbonControl(L"SendNV");
  BSTR id = nullptr;
  ASSERT_EQ(spControl->get_Id(&id), S_OK);
  EXPECT_STREQ(id, L"SendNV");
  SysFreeString(id);
  EXPECT_EQ(Text(spControl.Get(), L"Id"), u"SendNV");
  ComPtr<IDispatch> spContext;
  EXPECT_EQ(spControl->get_Context(&spContext), S_OK);
  EXPECT_FALSE(spContext);
}

// --- MAPI ----------------------------------------------------------------------

// MAPI's mail-user interface id (mapiguid.h).
constexpr GUID kIidMailUser = {0x0002030A, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// One value of GetProps, copied out of MAPI's buffer.
struct Prop {
  ULONG tag = 0;
  std::wstring text;  // of a PT_UNICODE value
  SCODE err = S_OK;   // of a PT_ERROR value
  bool operator==(const Prop&) const = default;
};

// A pointer that is not null, to see an out parameter cleared.
template <typename T>
T* Junk() {
  return reinterpret_cast<T*>(std::uintptr_t{0x10});
}

// With the harness's mapi32.dll loaded once for the program, as the add-in's
// host loads it; every test frees every MAPI buffer it was given.
class SimMapiTest : public SimComTest {
 protected:
  static void SetUpTestSuite() { EXPECT_EQ(sim::SimMapi32::Load(s_mapi), S_OK); }
  void SetUp() override {
    ASSERT_TRUE(s_mapi);
    SimComTest::SetUp();
  }
  void TearDown() override {
    EXPECT_EQ(s_mapi->LiveBuffers(), 0);
    SimComTest::TearDown();
  }

  // The add-in's MAPI steps on the session behind NameSpace.MAPIOBJECT, each
  // taken when the one before did not fail and gave its object; a failing
  // step leaves its out parameters empty. Returns the last step's status.
  static HRESULT ReadIdentity(IDispatch* app, std::vector<Prop>& props) {
    Variant object;
    EXPECT_EQ(InvokeByName(Object(app, L"Session").Get(), L"MAPIOBJECT", DISPATCH_PROPERTYGET, {},
                           &object),
              S_OK);
    if (object.vt != VT_UNKNOWN || object.punkVal == nullptr) return E_UNEXPECTED;
    IMAPISession* session = Junk<IMAPISession>();
    HRESULT hr =
        object.punkVal->QueryInterface(com::IID_MapiSession, reinterpret_cast<void**>(&session));
    if (FAILED(hr) || session == nullptr) {
      EXPECT_EQ(session, nullptr);
      return hr;
    }
    ComPtr<IMAPISession> spSession;
    *spSession.GetAddressOf() = session;

    ULONG size = 7;
    LPENTRYID id = Junk<ENTRYID>();
    hr = spSession->QueryIdentity(&size, &id);
    if (FAILED(hr)) {
      EXPECT_EQ(size, 0u);
      EXPECT_EQ(id, nullptr);
      return hr;
    }
    EXPECT_EQ(s_mapi->LiveBuffers(), id != nullptr ? 1 : 0);  // from the harness's DLL

    // A session that cannot give the interface asked for opens nothing.
    ULONG type = 7;
    IUnknown* entry = Junk<IUnknown>();
    const IID wrong = com::IID_MapiSession;
    EXPECT_EQ(spSession->OpenEntry(size, id, &wrong, MAPI_BEST_ACCESS, &type, &entry),
              MAPI_E_INTERFACE_NOT_SUPPORTED);
    EXPECT_EQ(type, 0u);
    EXPECT_EQ(entry, nullptr);
    type = 7;
    entry = Junk<IUnknown>();
    hr = spSession->OpenEntry(size, id, nullptr, MAPI_BEST_ACCESS, &type, &entry);
    EXPECT_EQ(sim::MapiFreeBuffer(id), 0u);
    if (FAILED(hr) || entry == nullptr) {
      EXPECT_EQ(type, 0u);
      EXPECT_EQ(entry, nullptr);
      return hr;
    }
    ComPtr<IUnknown> spEntry;
    *spEntry.GetAddressOf() = entry;
    EXPECT_EQ(type, static_cast<ULONG>(MAPI_MAILUSER));
    // The entry itself is the mail user, which the add-in uses as IMAPIProp.
    IUnknown* user = nullptr;
    EXPECT_EQ(entry->QueryInterface(kIidMailUser, reinterpret_cast<void**>(&user)), S_OK);
    EXPECT_EQ(user, entry);
    if (user != nullptr) user->Release();

    ULONG tags[] = {3, outlook::kPrAddrTypeW, outlook::kPrEmailAddressW, outlook::kPrSmtpAddressW};
    ULONG count = 7;
    LPSPropValue values = Junk<SPropValue>();
    hr = reinterpret_cast<IMAPIProp*>(entry)->GetProps(reinterpret_cast<LPSPropTagArray>(tags), 0,
                                                       &count, &values);
    if (FAILED(hr)) {
      EXPECT_EQ(count, 0u);
      EXPECT_EQ(values, nullptr);
      return hr;
    }
    for (ULONG i = 0; i < count; ++i) {
      const SPropValue& value = values[i];
      props.push_back(PROP_TYPE(value.ulPropTag) == PT_ERROR
                          ? Prop{value.ulPropTag, {}, value.Value.err}
                          : Prop{value.ulPropTag, value.Value.lpszW, S_OK});
    }
    EXPECT_EQ(s_mapi->LiveBuffers(), 1);  // the texts belong to the array
    EXPECT_EQ(sim::MapiFreeBuffer(values), 0u);
    return hr;
  }

  static inline std::unique_ptr<sim::SimMapi32> s_mapi;
};

TEST_F(SimMapiTest, SessionGivesTheIdentitysPropertiesInMapisShape) {
  constexpr char kMary[] =
      R"("identity": {"addressType": "EX", "emailAddress": "/o=C/cn=mary", "smtpAddress": )";
  const Prop kType{outlook::kPrAddrTypeW, L"EX", S_OK};
  const Prop kEmail{outlook::kPrEmailAddressW, L"/o=C/cn=mary", S_OK};
  struct Case {
    std::string members;
    HRESULT hr;
    // Port calls of MAPIObject.QueryInterface, MAPISession.QueryIdentity,
    // MAPISession.OpenEntry and MAPIProp.GetProps.
    std::array<int, 4> calls;
    std::vector<Prop> props;
  };
  const Case kCases[] = {
      {std::string(kMary) + R"("mary@c.example"})",
       S_OK,
       {1, 1, 1, 1},
       {kType, kEmail, {outlook::kPrSmtpAddressW, L"mary@c.example", S_OK}}},
      // An empty address is a value; a missing one an error of its own.
      {std::string(kMary) + R"(""})",
       S_OK,
       {1, 1, 1, 1},
       {kType, kEmail, {outlook::kPrSmtpAddressW, L"", S_OK}}},
      {std::string(kMary) + "null}",
       MAPI_W_ERRORS_RETURNED,
       {1, 1, 1, 1},
       {kType, kEmail, {PROP_TAG(PT_ERROR, 0x39FE), {}, MAPI_E_NOT_FOUND}}},
      {R"("identity": null)", MAPI_E_NOT_FOUND, {1, 1, 0, 0}, {}},
      // Faults of each step, as status, as exception, and as a missing object.
      {R"("faults": [{"call": "MAPIObject.QueryInterface", "nth": 1, "hr": "0x80004002"}])",
       E_NOINTERFACE,
       {1, 0, 0, 0},
       {}},
      {R"("faults": [{"call": "MAPIObject.QueryInterface", "nth": 1, "empty": true}])",
       S_OK,
       {1, 0, 0, 0},
       {}},
      {std::string(kMary) +
           R"("m@c.example"}, "faults": [{"call": "MAPISession.QueryIdentity", "nth": 1, "empty": true}])",
       MAPI_E_NOT_FOUND,
       {1, 1, 1, 0},
       {}},
      {std::string(kMary) +
           R"("m@c.example"}, "faults": [{"call": "MAPISession.OpenEntry", "nth": 1, "throw": "0x8007000E"}])",
       E_OUTOFMEMORY,
       {1, 1, 1, 0},
       {}},
      {std::string(kMary) +
           R"("m@c.example"}, "faults": [{"call": "MAPIProp.GetProps", "nth": 1, "hr": "0x80040115"}])",
       static_cast<HRESULT>(0x80040115),
       {1, 1, 1, 1},
       {}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.members);
    sim::SimOutlook outlook(With(c.members));
    SimOutlookCom com(outlook);
    std::vector<Prop> props;
    EXPECT_EQ(ReadIdentity(com.application(), props), c.hr);
    EXPECT_EQ(props, c.props);
    const std::array<int, 4> calls = {
        static_cast<int>(outlook.callCount("MAPIObject.QueryInterface")),
        static_cast<int>(outlook.callCount("MAPISession.QueryIdentity")),
        static_cast<int>(outlook.callCount("MAPISession.OpenEntry")),
        static_cast<int>(outlook.callCount("MAPIProp.GetProps"))};
    EXPECT_EQ(calls, c.calls);
    EXPECT_EQ(s_mapi->LiveBuffers(), 0);
  }
}

TEST_F(SimMapiTest, InitializeReachesTheAttachedSimulator) {
  // The add-in asks for mapi32.dll by name and gets the harness's.
  const win::UniqueModule byName(LoadLibraryW(L"mapi32.dll"));
  ASSERT_TRUE(byName);
  EXPECT_NE(GetProcAddress(byName.get(), "NorvaleSimMapiLiveBuffers"), nullptr);
  auto* initialize = reinterpret_cast<LPMAPIINITIALIZE>(
      reinterpret_cast<void*>(GetProcAddress(byName.get(), "MAPIInitialize")));
  auto* uninitialize = reinterpret_cast<LPMAPIUNINITIALIZE>(
      reinterpret_cast<void*>(GetProcAddress(byName.get(), "MAPIUninitialize")));
  ASSERT_NE(initialize, nullptr);
  ASSERT_NE(uninitialize, nullptr);

  // Without a profile it fails as Wine's mapi32.dll does.
  EXPECT_EQ(initialize(nullptr), MAPI_E_NOT_INITIALIZED);
  uninitialize();

  sim::SimOutlook outlook(WithFaults(R"([
      {"call": "MAPI.Initialize", "nth": 2, "hr": "0x80004005"},
      {"call": "MAPI.Initialize", "nth": 3, "throw": "0x8007000E"}])"));
  {
    const sim::SimMapi32::Attachment attached = s_mapi->Attach(outlook.application()->Mapi());
    EXPECT_EQ(initialize(nullptr), S_OK);
    EXPECT_EQ(initialize(nullptr), E_FAIL);
    EXPECT_EQ(initialize(nullptr), E_OUTOFMEMORY);
    uninitialize();
  }
  EXPECT_EQ(initialize(nullptr), MAPI_E_NOT_INITIALIZED);
  uninitialize();
  EXPECT_EQ(outlook.callCount("MAPI.Initialize"), 3);
  EXPECT_EQ(outlook.callCount("MAPI.Uninitialize"), 1);
  EXPECT_EQ(outlook.mapiInitializeCount(), 1);
  EXPECT_EQ(outlook.mapiUninitializeCount(), 1);
}

TEST_F(SimMapiTest, BuffersAreFreedWithTheirParentOnlyOnce) {
  void* parent = nullptr;
  void* other = nullptr;
  void* more[2] = {};
  ASSERT_EQ(sim::MapiAllocateBuffer(24, &parent), S_OK);
  ASSERT_EQ(sim::MapiAllocateBuffer(0, &other), S_OK);
  for (void*& block : more) ASSERT_EQ(sim::MapiAllocateMore(40, parent, &block), S_OK);
  for (void* block : {parent, other, more[0], more[1]}) {
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % alignof(std::max_align_t), 0u);
  }
  std::memset(parent, 0xA5, 24);
  for (void* block : more) std::memset(block, 0x5A, 40);
  EXPECT_EQ(s_mapi->LiveBuffers(), 2);

  // Only a block of MAPIAllocateBuffer is a parent, and only it is freed.
  void* refused = Junk<void>();
  EXPECT_EQ(sim::MapiAllocateMore(8, more[0], &refused), MAPI_E_INVALID_PARAMETER);
  EXPECT_EQ(refused, nullptr);
  EXPECT_EQ(sim::MapiAllocateBuffer(8, nullptr), MAPI_E_INVALID_PARAMETER);
  EXPECT_EQ(sim::MapiFreeBuffer(more[1]), static_cast<ULONG>(MAPI_E_INVALID_PARAMETER));
  EXPECT_EQ(s_mapi->LiveBuffers(), 2);

  EXPECT_EQ(sim::MapiFreeBuffer(parent), 0u);
  EXPECT_EQ(sim::MapiFreeBuffer(parent), static_cast<ULONG>(MAPI_E_INVALID_PARAMETER));
  EXPECT_EQ(s_mapi->LiveBuffers(), 1);
  EXPECT_EQ(sim::MapiFreeBuffer(nullptr), 0u);
  EXPECT_EQ(sim::MapiFreeBuffer(other), 0u);
}

}  // namespace
}  // namespace norvale::win::tests
