// Plays a minimal Outlook and Office against the add-in object: connection
// and disconnection, the explorer-event sinks, the hidden window, the ribbon
// documents and the ribbon callbacks invoked by name as Office invokes them.
#include <windows.h>

#include <ocidl.h>
#include <oleauto.h>
#include <olectl.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "NorvaleOlkAddin.h"
#include "outlook/com/office.h"
#include "outlook/com/outlook_iids.h"
#include "resource.h"
#include "tests/win/fakes.h"
#include "tests/win/win_test_support.h"

namespace norvale::win::tests {
namespace {

using Microsoft::WRL::ComPtr;

// An Outlook object of the kind `kind` whose members are properties read by
// name: a text, or an object (null: none). It logs the members read.
class FakeOutlookObject final : public OwnedFake<IDispatch> {
 public:
  struct Member {
    std::wstring name;
    std::wstring text;
    IDispatch* object = nullptr;
    bool isObject = false;
  };

  explicit FakeOutlookObject(const IID& kind) : m_kind(kind) {}

  // Adds the member `name`, or replaces its value.
  void SetText(const std::wstring& name, const std::wstring& text) {
    Set({name, text, nullptr, false});
  }
  void SetObject(const std::wstring& name, IDispatch* object) { Set({name, {}, object, true}); }

  std::vector<std::wstring> calls;

  STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override {
    *pctinfo = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override {
    return UnexpectedCall("GetTypeInfo");
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    for (size_t i = 0; i < m_members.size(); ++i) {
      if (m_members[i].name == names[0]) {
        ids[0] = static_cast<DISPID>(i + 1);
        return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
      }
    }
    return DISP_E_UNKNOWNNAME;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                      UINT*) override {
    if (id < 1 || static_cast<size_t>(id) > m_members.size()) return DISP_E_MEMBERNOTFOUND;
    const Member& member = m_members[id - 1];
    calls.push_back(member.name);
    // Read as a property or called as a method alike, as Outlook's
    // members without arguments are.
    if ((flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) == 0 || result == nullptr) {
      return DISP_E_MEMBERNOTFOUND;
    }
    VariantInit(result);
    if (member.isObject) {
      V_VT(result) = VT_DISPATCH;
      V_DISPATCH(result) = member.object;
      if (member.object != nullptr) member.object->AddRef();
    } else {
      V_VT(result) = VT_BSTR;
      V_BSTR(result) = SysAllocString(member.text.c_str());
    }
    return S_OK;
  }

 private:
  void* Find(REFIID riid) override {
    return FindInterface(riid, {{IID_IDispatch, static_cast<IDispatch*>(this)},
                                {m_kind, static_cast<IDispatch*>(this)}});
  }

  void Set(Member member) {
    for (Member& existing : m_members) {
      if (existing.name == member.name) {
        existing = std::move(member);
        return;
      }
    }
    m_members.push_back(std::move(member));
  }

  IID m_kind;
  std::vector<Member> m_members;
};

// Outlook's main window: its window, and the connection point of its event
// dispinterface, which records the sinks attached to it.
class FakeExplorer final
    : public NoDispatch<IDispatch, IOleWindow, IConnectionPointContainer, IConnectionPoint> {
 public:
  explicit FakeExplorer(HWND window) : m_hWnd(window) {}

  struct Connection {
    DWORD cookie;
    IUnknown* sink;
  };
  std::vector<Connection> connections;
  int advises = 0;
  // The one event dispinterface this explorer has a connection point for.
  IID events = norvale::com::IID_Outlook_ExplorerEvents_10;

  // Lets go of every sink, as an explorer that closes does.
  void DropSinks() {
    for (const Connection& c : connections) c.sink->Release();
    connections.clear();
  }

  // IOleWindow.
  STDMETHODIMP GetWindow(HWND* phwnd) override {
    *phwnd = m_hWnd;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override {
    return UnexpectedCall("ContextSensitiveHelp");
  }

  // IConnectionPointContainer.
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override {
    return UnexpectedCall("EnumConnectionPoints");
  }
  STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override {
    *ppCP = nullptr;
    if (riid != events) return CONNECT_E_NOCONNECTION;
    *ppCP = this;
    AddRef();
    return S_OK;
  }

  // IConnectionPoint.
  STDMETHODIMP GetConnectionInterface(IID*) override {
    return UnexpectedCall("GetConnectionInterface");
  }
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer**) override {
    return UnexpectedCall("GetConnectionPointContainer");
  }
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override {
    ++advises;
    *cookie = static_cast<DWORD>(100 + advises);
    sink->AddRef();
    connections.push_back({*cookie, sink});
    return S_OK;
  }
  STDMETHODIMP Unadvise(DWORD cookie) override {
    for (auto it = connections.begin(); it != connections.end(); ++it) {
      if (it->cookie == cookie) {
        it->sink->Release();
        connections.erase(it);
        return S_OK;
      }
    }
    return CONNECT_E_NOCONNECTION;
  }
  STDMETHODIMP EnumConnections(IEnumConnections**) override {
    return UnexpectedCall("EnumConnections");
  }

 private:
  void* Find(REFIID riid) override {
    return FindInterface(
        riid, {{IID_IDispatch, static_cast<IDispatch*>(this)},
               {norvale::com::IID_Outlook_Explorer, static_cast<IDispatch*>(this)},
               {IID_IOleWindow, static_cast<IOleWindow*>(this)},
               {IID_IConnectionPointContainer, static_cast<IConnectionPointContainer*>(this)},
               {IID_IConnectionPoint, static_cast<IConnectionPoint*>(this)}});
  }

  HWND m_hWnd;
};

class FakeRibbonControl final : public NoDispatch<IRibbonControl> {
 public:
  explicit FakeRibbonControl(const wchar_t* id) : m_id(id) {}
  STDMETHODIMP get_Id(BSTR* Id) override {
    *Id = SysAllocString(m_id);
    return S_OK;
  }
  STDMETHODIMP get_Context(IDispatch**) override { return UnexpectedCall("get_Context"); }
  STDMETHODIMP get_Tag(BSTR*) override { return UnexpectedCall("get_Tag"); }

 private:
  void* Find(REFIID riid) override {
    return FindInterface(riid,
                         {{IID_IDispatch, static_cast<IRibbonControl*>(this)},
                          {norvale::com::IID_IRibbonControl, static_cast<IRibbonControl*>(this)}});
  }
  const wchar_t* m_id;
};

class FakeRibbonUI final : public NoDispatch<IRibbonUI> {
 public:
  STDMETHODIMP Invalidate() override { return S_OK; }
  STDMETHODIMP InvalidateControl(BSTR) override { return UnexpectedCall("InvalidateControl"); }
  STDMETHODIMP InvalidateControlMso(BSTR) override {
    return UnexpectedCall("InvalidateControlMso");
  }
  STDMETHODIMP ActivateTab(BSTR) override { return UnexpectedCall("ActivateTab"); }
  STDMETHODIMP ActivateTabMso(BSTR) override { return UnexpectedCall("ActivateTabMso"); }
  STDMETHODIMP ActivateTabQ(BSTR, BSTR) override { return UnexpectedCall("ActivateTabQ"); }

 private:
  void* Find(REFIID riid) override {
    return FindInterface(riid, {{IID_IDispatch, static_cast<IRibbonUI*>(this)},
                                {norvale::com::IID_IRibbonUI, static_cast<IRibbonUI*>(this)}});
  }
};

// The windows of this thread owned by `owner`.
std::vector<HWND> OwnedWindows(HWND owner) {
  struct Search {
    HWND owner;
    std::vector<HWND> found;
  } search{owner, {}};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND hWnd, LPARAM lParam) CALLBACK -> BOOL {
        auto* s = reinterpret_cast<Search*>(lParam);
        if (GetWindow(hWnd, GW_OWNER) == s->owner) s->found.push_back(hWnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring ClassName(HWND hWnd) {
  wchar_t name[64] = {};
  GetClassNameW(hWnd, name, 64);
  return name;
}

class AddinTest : public RegisteredDllTest<> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(s_registered);
    ASSERT_TRUE(m_explorerWindow) << "no desktop: run under Xvfb";
    m_app.SetText(L"Version", L"16.0.4266.1001");
    m_app.SetObject(L"ActiveExplorer", &m_explorer);
    m_app.SetObject(L"ActiveInspector", nullptr);
    ASSERT_EQ(CoCreateInstance(CLSID_NorvaleOAddin, nullptr, CLSCTX_INPROC_SERVER,
                               IID_PPV_ARGS(&m_spAddin)),
              S_OK);
    ASSERT_EQ(m_spAddin.As(&m_spExtensibility), S_OK);
  }

  void TearDown() override {
    m_spExtensibility.Reset();
    m_spAddin.Reset();
    // Nothing the test handed to the add-in is held any more, and no object
    // of the DLL lives.
    EXPECT_EQ(m_app.refs(), 1u);
    EXPECT_EQ(m_explorer.refs(), 1u);
    EXPECT_TRUE(m_explorer.connections.empty());
    EXPECT_TRUE(OwnedWindows(m_explorerWindow.get()).empty());
    EXPECT_EQ(s_dll->CanUnloadNow(), S_OK);
  }

  HRESULT Connect(IDispatch* app) {
    return m_spExtensibility->OnConnection(app, ext_cm_Startup, nullptr, nullptr);
  }

  // Connects to the fake Outlook whose Version is `version`.
  void ConnectAs(const wchar_t* version) {
    m_app.SetText(L"Version", version);
    ASSERT_EQ(Connect(&m_app), S_OK);
  }

  // Calls callback `name` through IDispatch as Office does: the name
  // resolved first, the arguments in reverse order.
  HRESULT InvokeByName(const wchar_t* name, DISPID expectedId, IDispatch* control,
                       VARIANT* result) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = m_spAddin->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    EXPECT_EQ(id, expectedId) << name;
    VARIANT arg;
    VariantInit(&arg);
    V_VT(&arg) = VT_DISPATCH;
    V_DISPATCH(&arg) = control;
    DISPPARAMS params = {&arg, nullptr, 1, 0};
    if (result != nullptr) VariantInit(result);
    return m_spAddin->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result,
                             nullptr, nullptr);
  }

  UniqueHwnd m_explorerWindow{CreateWindowExW(0, L"Static", L"Explorer", WS_POPUP, 0, 0, 100, 100,
                                              nullptr, nullptr, nullptr, nullptr)};
  FakeExplorer m_explorer{m_explorerWindow.get()};
  FakeOutlookObject m_app{norvale::com::IID_Outlook_Application};
  ComPtr<INorvaleOAddin> m_spAddin;
  ComPtr<_IDTExtensibility2> m_spExtensibility;
};

TEST_F(AddinTest, ConnectionAttachesTheSinksFromLevel4AndMakesTheHiddenWindow) {
  struct Case {
    const wchar_t* version;
    int sinks;
    IID events = norvale::com::IID_Outlook_ExplorerEvents_10;
  };
  const Case kCases[] = {
      {L"16.0.4266.1001", 2},
      {L"15.0.4569.1506", 2},
      {L"14.0.7015.1000", 0},
      {L"17.0.1", 0},
      // Only the older source, which declares no inline-response event.
      {L"16.0.4266.1001", 0, norvale::com::IID_Outlook_ExplorerEvents},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(::testing::Message()
                 << "Version " << std::wstring(c.version) << ", events " << GuidText(c.events));
    m_explorer.advises = 0;
    m_explorer.events = c.events;
    const auto start = std::chrono::steady_clock::now();
    ConnectAs(c.version);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    // Outlook disables an add-in whose start-up takes a second or more.
    EXPECT_LT(elapsed, std::chrono::milliseconds(1000));
    std::printf("OnConnection %ls: %lld us\n", c.version,
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count()));

    EXPECT_EQ(m_explorer.advises, c.sinks);
    ASSERT_EQ(m_explorer.connections.size(), static_cast<size_t>(c.sinks));
    if (c.sinks == 2) {
      EXPECT_NE(m_explorer.connections[0].sink, m_explorer.connections[1].sink);
    }

    // One hidden dialog, owned by the explorer's window.
    const std::vector<HWND> owned = OwnedWindows(m_explorerWindow.get());
    ASSERT_EQ(owned.size(), 1u);
    EXPECT_EQ(ClassName(owned[0]), L"#32770");
    EXPECT_FALSE(IsWindowVisible(owned[0]));

    // A repeated connection replaces the sinks and the window of the first.
    ConnectAs(c.version);
    EXPECT_EQ(m_explorer.advises, 2 * c.sinks);
    EXPECT_EQ(m_explorer.connections.size(), static_cast<size_t>(c.sinks));
    EXPECT_FALSE(IsWindow(owned[0]));
    const std::vector<HWND> ownedAgain = OwnedWindows(m_explorerWindow.get());
    ASSERT_EQ(ownedAgain.size(), 1u);

    ASSERT_EQ(m_spExtensibility->OnDisconnection(ext_dm_HostShutdown, nullptr), S_OK);
    EXPECT_TRUE(m_explorer.connections.empty());
    EXPECT_FALSE(IsWindow(ownedAgain[0]));
    // A second disconnection finds nothing left to drop.
    EXPECT_EQ(m_spExtensibility->OnDisconnection(ext_dm_HostShutdown, nullptr), S_OK);
  }
}

TEST_F(AddinTest, ApplicationThatIsNotOutlooksIsRefused) {
  FakeOutlookObject notOutlook(IID_IDispatch);
  notOutlook.SetText(L"Version", L"16.0.1");
  EXPECT_EQ(Connect(&notOutlook), E_NOINTERFACE);
  EXPECT_EQ(Connect(nullptr), E_NOINTERFACE);
  EXPECT_TRUE(notOutlook.calls.empty());
  EXPECT_EQ(notOutlook.refs(), 1u);
  // Nothing changed: no window, no sink, and no ribbon as for level 0.
  EXPECT_TRUE(OwnedWindows(m_explorerWindow.get()).empty());
  EXPECT_EQ(m_explorer.advises, 0);
  ComPtr<IRibbonExtensibility> spRibbon;
  ASSERT_EQ(m_spAddin.As(&spRibbon), S_OK);
  BSTR compose = SysAllocString(L"Microsoft.Outlook.Mail.Compose");
  BSTR xml = nullptr;
  EXPECT_EQ(spRibbon->GetCustomUI(compose, &xml), S_OK);
  EXPECT_EQ(xml, nullptr);
  SysFreeString(compose);
}

// The sinks count on the add-in object: while Outlook's connection point
// holds them, the object lives, and its hidden window goes with it.
TEST_F(AddinTest, AttachedSinksKeepTheObjectAliveUntilOutlookLetsGo) {
  ConnectAs(L"16.0.4266.1001");
  ASSERT_EQ(m_explorer.connections.size(), 2u);
  IUnknown* pSink = m_explorer.connections[0].sink;

  // The sink answers the event dispinterface, IDispatch and IUnknown with
  // itself; the object does not lead to it.
  for (const IID* iid :
       {&norvale::com::IID_Outlook_ExplorerEvents_10, &IID_IDispatch, &IID_IUnknown}) {
    void* pv = nullptr;
    ASSERT_EQ(pSink->QueryInterface(*iid, &pv), S_OK) << GuidText(*iid);
    EXPECT_EQ(pv, static_cast<void*>(pSink));
    static_cast<IUnknown*>(pv)->Release();
  }
  void* pv = nullptr;
  EXPECT_EQ(m_spAddin->QueryInterface(norvale::com::IID_Outlook_ExplorerEvents_10, &pv),
            E_NOINTERFACE);
  // Nor do the sinks pass for the older source's.
  EXPECT_EQ(pSink->QueryInterface(norvale::com::IID_Outlook_ExplorerEvents, &pv), E_NOINTERFACE);

  // Every event reaches both sinks, as Outlook raises it, and is accepted:
  // an inline response opening (its item held until it closes), closing,
  // and a selection change.
  FakeOutlookObject item(norvale::com::IID_Outlook_MailItem);
  VARIANT arg;
  VariantInit(&arg);
  V_VT(&arg) = VT_DISPATCH;
  V_DISPATCH(&arg) = &item;
  DISPPARAMS withItem = {&arg, nullptr, 1, 0}, noArgs = {};
  const struct {
    DISPID dispid;
    DISPPARAMS* params;
    ULONG itemRefs;
  } events[] = {{0xFC92, &withItem, 2}, {0xFC96, &noArgs, 1}, {0xF001, &noArgs, 1}};
  for (const auto& event : events) {
    for (const auto& c : m_explorer.connections) {
      EXPECT_EQ(static_cast<IDispatch*>(c.sink)->Invoke(event.dispid, IID_NULL, 0, DISPATCH_METHOD,
                                                        event.params, nullptr, nullptr, nullptr),
                S_OK)
          << std::hex << event.dispid;
    }
    EXPECT_EQ(item.refs(), event.itemRefs) << std::hex << event.dispid;
  }
  // The close sink was attached first. The event's own argument count and
  // type are required by the sink that acts on it; the other ignores it.
  ASSERT_EQ(m_explorer.connections.size(), 2u);
  VARIANT text;
  VariantInit(&text);
  V_VT(&text) = VT_BSTR;
  V_BSTR(&text) = nullptr;
  DISPPARAMS withText = {&text, nullptr, 1, 0};
  const struct {
    DISPPARAMS* params;
    HRESULT closeSink, responseSink;
  } malformed[] = {{&noArgs, S_OK, DISP_E_BADPARAMCOUNT}, {&withText, S_OK, DISP_E_TYPEMISMATCH}};
  for (const auto& m : malformed) {
    for (std::size_t i = 0; i < 2; ++i) {
      UINT argErr = 7;
      EXPECT_EQ(
          static_cast<IDispatch*>(m_explorer.connections[i].sink)
              ->Invoke(0xFC92, IID_NULL, 0, DISPATCH_METHOD, m.params, nullptr, nullptr, &argErr),
          i == 0 ? m.closeSink : m.responseSink);
      // A mismatch names the argument, as DispInvoke does.
      EXPECT_EQ(argErr, i == 1 && m.params == &withText ? 0u : 7u);
    }
  }
  for (const auto& c : m_explorer.connections) {
    UINT count = 0;
    EXPECT_EQ(static_cast<IDispatch*>(c.sink)->GetTypeInfoCount(&count), E_NOTIMPL);
  }
  EXPECT_EQ(item.refs(), 1u);

  // A reference taken through a sink is one on the object.
  const ULONG objectCount = m_spAddin->AddRef();
  EXPECT_EQ(pSink->AddRef(), objectCount + 1);
  pSink->Release();
  m_spAddin->Release();

  const HWND hidden = OwnedWindows(m_explorerWindow.get()).at(0);
  m_spExtensibility.Reset();
  m_spAddin.Reset();
  EXPECT_EQ(s_dll->CanUnloadNow(), S_FALSE);
  EXPECT_TRUE(IsWindow(hidden));
  m_explorer.DropSinks();
  EXPECT_EQ(s_dll->CanUnloadNow(), S_OK);
  EXPECT_FALSE(IsWindow(hidden));
}

// Without a main window nothing is attached and the hidden window has no
// owner; the connection still succeeds.
TEST_F(AddinTest, ConnectionWithoutAnExplorer) {
  FakeOutlookObject app(norvale::com::IID_Outlook_Application);
  app.SetText(L"Version", L"16.0.4266.1001");
  app.SetObject(L"ActiveExplorer", nullptr);
  ASSERT_EQ(Connect(&app), S_OK);
  EXPECT_EQ(m_explorer.advises, 0);
  EXPECT_EQ(m_spExtensibility->OnDisconnection(ext_dm_UserClosed, nullptr), S_OK);
  m_spExtensibility.Reset();
  m_spAddin.Reset();
  EXPECT_EQ(app.refs(), 1u);
}

TEST_F(AddinTest, ShutdownCallsAreNotImplemented) {
  ConnectAs(L"16.0.4266.1001");
  EXPECT_EQ(m_spExtensibility->OnAddInsUpdate(nullptr), E_NOTIMPL);
  EXPECT_EQ(m_spExtensibility->OnStartupComplete(nullptr), E_NOTIMPL);
  EXPECT_EQ(m_spExtensibility->OnBeginShutdown(nullptr), E_NOTIMPL);
  EXPECT_EQ(m_spExtensibility->OnDisconnection(ext_dm_HostShutdown, nullptr), S_OK);
}

// The document handed back is the stored text, character for character.
TEST_F(AddinTest, GetCustomUIGivesEachWindowItsDocumentByLevel) {
  struct Level {
    const wchar_t* version;
    WORD compose;   // document for the compose window, 0 for none
    WORD explorer;  // for the main window
  };
  const Level kLevels[] = {
      {L"17.0.1", 0, 0},
      {L"11.0.8169", 0, 0},
      {L"12.0.6423.1000", IDR_RIBBON_COMPOSE, 0},
      {L"14.0.7015.1000", IDR_RIBBON_COMPOSE, 0},
      {L"15.0.4569.1506", IDR_RIBBON_COMPOSE, IDR_RIBBON_EXPLORER},
      {L"16.0.4266.1001", IDR_RIBBON_COMPOSE, IDR_RIBBON_EXPLORER},
  };
  ComPtr<IRibbonExtensibility> spRibbon;
  ASSERT_EQ(m_spAddin.As(&spRibbon), S_OK);
  const HMODULE module = GetModuleHandleW(L"NorvaleOAddin.dll");
  ASSERT_NE(module, nullptr);
  auto stored = [&](WORD id) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), L"XML");
    const auto* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
    const DWORD size = SizeofResource(module, found);
    return std::wstring(bytes, bytes + size);
  };

  for (const Level& level : kLevels) {
    ConnectAs(level.version);
    const struct {
      const wchar_t* ribbonId;
      WORD document;
    } kIds[] = {
        {L"Microsoft.Outlook.Mail.Compose", level.compose},
        {L"Microsoft.Outlook.Explorer", level.explorer},
        {L"microsoft.outlook.explorer", 0},
        {L"Microsoft.Outlook.Mail.Read", 0},
        {nullptr, 0},
    };
    for (const auto& id : kIds) {
      SCOPED_TRACE(::testing::Message() << std::wstring(level.version) << " "
                                        << (id.ribbonId ? id.ribbonId : L"(null)"));
      BSTR ribbonId = id.ribbonId != nullptr ? SysAllocString(id.ribbonId) : nullptr;
      BSTR xml = reinterpret_cast<BSTR>(1);
      EXPECT_EQ(spRibbon->GetCustomUI(ribbonId, &xml), S_OK);
      SysFreeString(ribbonId);
      if (id.document == 0) {
        EXPECT_EQ(xml, nullptr);
        continue;
      }
      ASSERT_NE(xml, nullptr);
      const std::wstring expected = stored(id.document);
      EXPECT_EQ(SysStringLen(xml), expected.size());
      EXPECT_EQ(std::wstring(xml, SysStringLen(xml)), expected);
      SysFreeString(xml);
    }
    EXPECT_EQ(m_spExtensibility->OnDisconnection(ext_dm_HostShutdown, nullptr), S_OK);
  }
  EXPECT_EQ(spRibbon->GetCustomUI(nullptr, nullptr), E_POINTER);
}

TEST_F(AddinTest, CallbacksInvokedByNameAsOfficeDoes) {
  ConnectAs(L"16.0.4266.1001");

  // onLoad keeps the ribbon UI object, the latest one given.
  FakeRibbonUI first, second;
  EXPECT_EQ(InvokeByName(L"OnInitializeRibbon", 1, &first, nullptr), S_OK);
  EXPECT_EQ(first.refs(), 2u);
  EXPECT_EQ(InvokeByName(L"OnInitializeRibbon", 1, &second, nullptr), S_OK);
  EXPECT_EQ(first.refs(), 1u);
  EXPECT_EQ(second.refs(), 2u);

  // The main window's group stays hidden until an inline response opens.
  const struct {
    const wchar_t* id;
    VARIANT_BOOL visible;
  } kControls[] = {{L"Email1Main", VARIANT_FALSE}, {L"Email1Inl", VARIANT_TRUE}};
  for (const auto& c : kControls) {
    FakeRibbonControl control(c.id);
    VARIANT result;
    ASSERT_EQ(InvokeByName(L"GetVisible", 4, &control, &result), S_OK) << c.id;
    EXPECT_EQ(V_VT(&result), VT_BOOL) << c.id;
    EXPECT_EQ(V_BOOL(&result), c.visible) << c.id;
    EXPECT_EQ(control.refs(), 1u);
  }

  FakeRibbonControl button(L"SendNV");
  VARIANT picture;
  ASSERT_EQ(InvokeByName(L"GetImage", 3, &button, &picture), S_OK);
  ASSERT_EQ(V_VT(&picture), VT_DISPATCH);
  ComPtr<IPicture> spPicture;
  ASSERT_EQ(V_DISPATCH(&picture)->QueryInterface(IID_PPV_ARGS(&spPicture)), S_OK);
  SHORT type = PICTYPE_UNINITIALIZED;
  EXPECT_EQ(spPicture->get_Type(&type), S_OK);
  EXPECT_EQ(type, PICTYPE_ICON);
  // The picture destroys its icon when released, so it must hold a copy and
  // never the icon that LoadIcon shares with every other caller.
  OLE_HANDLE hPictureIcon = 0;
  EXPECT_EQ(spPicture->get_Handle(&hPictureIcon), S_OK);
  const HICON hShared =
      LoadIconW(GetModuleHandleW(L"NorvaleOAddin.dll"), MAKEINTRESOURCEW(IDI_SEND));
  ASSERT_NE(hShared, nullptr);
  EXPECT_NE(reinterpret_cast<HICON>(static_cast<UINT_PTR>(hPictureIcon)), hShared);
  spPicture.Reset();
  VariantClear(&picture);
  ICONINFO info = {};
  ASSERT_TRUE(GetIconInfo(hShared, &info));
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);

  // No compose window in front: nothing is sent, nothing is shown.
  m_app.calls.clear();
  EXPECT_EQ(InvokeByName(L"SendButton_Action", 2, &button, nullptr), S_OK);
  EXPECT_EQ(m_app.calls, std::vector<std::wstring>{L"ActiveInspector"});
  EXPECT_EQ(button.refs(), 1u);

  EXPECT_EQ(m_spExtensibility->OnDisconnection(ext_dm_HostShutdown, nullptr), S_OK);
  m_spExtensibility.Reset();
  m_spAddin.Reset();
  EXPECT_EQ(first.refs(), 1u);
  EXPECT_EQ(second.refs(), 1u);
}

// A compose window whose item is not a mail item (a contact, say) sends nothing.
TEST_F(AddinTest, SendButtonIgnoresAnItemThatIsNoMail) {
  FakeOutlookObject contact(norvale::com::IID_Outlook_ContactItem);
  FakeOutlookObject inspector(norvale::com::IID_Outlook_Inspector);
  inspector.SetObject(L"CurrentItem", &contact);
  m_app.SetObject(L"ActiveInspector", &inspector);
  ASSERT_EQ(Connect(&m_app), S_OK);

  EXPECT_EQ(m_spAddin->SendButton_Action(nullptr), S_OK);
  EXPECT_EQ(inspector.calls, std::vector<std::wstring>{L"CurrentItem"});
  EXPECT_TRUE(contact.calls.empty());
  EXPECT_EQ(m_spExtensibility->OnDisconnection(ext_dm_HostShutdown, nullptr), S_OK);
  m_spExtensibility.Reset();
  m_spAddin.Reset();
  EXPECT_EQ(inspector.refs(), 1u);
  EXPECT_EQ(contact.refs(), 1u);
}

}  // namespace
}  // namespace norvale::win::tests
