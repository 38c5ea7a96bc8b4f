// Creates the add-in object as COM and Office do and checks its identity,
// interfaces, IDispatch, aggregation and the DLL's lock count.
#include <windows.h>

#include <oleauto.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "NorvaleOlkAddin.h"
#include "outlook/com/outlook_iids.h"
#include "tests/win/fakes.h"
#include "tests/win/win_test_support.h"

namespace norvale::win::tests {
namespace {

using Microsoft::WRL::ComPtr;

class ObjectTest : public RegisteredDllTest<> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(s_registered);
    ASSERT_EQ(dll().CanUnloadNow(), S_OK);
  }
  // Every test releases all it got: no object, factory or lock stays alive.
  void TearDown() override { EXPECT_EQ(dll().CanUnloadNow(), S_OK); }

  static const NorvaleDll& dll() { return *s_dll; }

  static ComPtr<IClassFactory> Factory() {
    ComPtr<IClassFactory> spFactory;
    EXPECT_EQ(dll().GetClassObject(CLSID_NorvaleOAddin, IID_PPV_ARGS(&spFactory)), S_OK);
    return spFactory;
  }

  static ComPtr<IUnknown> Create() {
    ComPtr<IUnknown> spUnknown;
    EXPECT_EQ(CoCreateInstance(CLSID_NorvaleOAddin, nullptr, CLSCTX_INPROC_SERVER,
                               IID_PPV_ARGS(&spUnknown)),
              S_OK);
    return spUnknown;
  }
};

// Outlook's path: the add-in key names the ProgID, the ProgID the class, the
// class the DLL.
TEST_F(ObjectTest, CreatesTheObjectThroughTheRegistry) {
  CLSID clsid = {};
  ASSERT_EQ(CLSIDFromProgID(L"NorvaleOlkAddin.NorvaleOAddin", &clsid), S_OK);
  EXPECT_TRUE(IsEqualGUID(clsid, CLSID_NorvaleOAddin)) << GuidText(clsid);

  ComPtr<INorvaleOAddin> spAddin;
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&spAddin)), S_OK);
  EXPECT_EQ(dll().CanUnloadNow(), S_FALSE);
  spAddin.Reset();
  EXPECT_EQ(dll().CanUnloadNow(), S_OK);
}

TEST_F(ObjectTest, QueryInterfaceAnswersWithINorvaleOAddinAsIdentity) {
  ComPtr<IUnknown> spUnknown = Create();
  ASSERT_TRUE(spUnknown);
  ComPtr<INorvaleOAddin> spAddin;
  ASSERT_EQ(spUnknown.As(&spAddin), S_OK);
  EXPECT_EQ(spUnknown.Get(), static_cast<IUnknown*>(spAddin.Get()));

  struct Case {
    const char* name;
    const IID& iid;
    HRESULT hr;
    bool isAddinPointer;  // answered with the INorvaleOAddin pointer itself
  };
  const Case kCases[] = {
      {"IUnknown", IID_IUnknown, S_OK, true},
      {"INorvaleOAddin", IID_INorvaleOAddin, S_OK, true},
      {"IDispatch", IID_IDispatch, S_OK, true},
      {"ISupportErrorInfo", IID_ISupportErrorInfo, S_OK, false},
      {"_IDTExtensibility2", com::IID_IDTExtensibility2, S_OK, false},
      {"IRibbonExtensibility", com::IID_IRibbonExtensibility, S_OK, false},
      {"explorer events", com::IID_Outlook_ExplorerEvents_10, E_NOINTERFACE, false},
      {"IClassFactory", IID_IClassFactory, E_NOINTERFACE, false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    void* pv = reinterpret_cast<void*>(1);
    ASSERT_EQ(spAddin->QueryInterface(c.iid, &pv), c.hr);
    if (FAILED(c.hr)) {
      EXPECT_EQ(pv, nullptr);
      continue;
    }
    // Released by hand: MinGW's ComPtr::Attach takes a reference of its own.
    auto* pAnswer = static_cast<IUnknown*>(pv);
    EXPECT_EQ(pv == static_cast<void*>(spAddin.Get()), c.isAddinPointer);
    ComPtr<IUnknown> spIdentity;
    EXPECT_EQ(pAnswer->QueryInterface(IID_PPV_ARGS(&spIdentity)), S_OK);
    EXPECT_EQ(spIdentity.Get(), spUnknown.Get());
    pAnswer->Release();
  }
}

TEST_F(ObjectTest, SupportsErrorInfoForINorvaleOAddinOnly) {
  ComPtr<ISupportErrorInfo> spErrorInfo;
  ASSERT_EQ(Create().As(&spErrorInfo), S_OK);
  struct Case {
    const char* name;
    const IID& iid;
    HRESULT hr;
  };
  const Case kCases[] = {
      {"INorvaleOAddin", IID_INorvaleOAddin, S_OK},
      {"_IDTExtensibility2", com::IID_IDTExtensibility2, S_FALSE},
      {"IDispatch", IID_IDispatch, S_FALSE},
      {"IUnknown", IID_IUnknown, S_FALSE},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(spErrorInfo->InterfaceSupportsErrorInfo(c.iid), c.hr) << c.name;
  }
}

// Office resolves the callback names of the ribbon documents by name.
TEST_F(ObjectTest, DispatchResolvesTheCallbackNamesThroughTheTypeLibrary) {
  ComPtr<IDispatch> spDispatch;
  ASSERT_EQ(Create().As(&spDispatch), S_OK);

  struct Case {
    std::vector<const wchar_t*> names;  // method, then parameters
    std::vector<DISPID> ids;
  };
  const Case kCases[] = {
      {{L"OnInitializeRibbon", L"pControl"}, {1, 0}},
      {{L"SendButton_Action", L"RibbonControl"}, {2, 0}},
      {{L"GetImage", L"pControl", L"picture"}, {3, 0, 1}},
      {{L"GetVisible", L"pControl", L"pvarfEnabled"}, {4, 0, 1}},
      {{L"SendInlineButton_Action", L"RibbonControl"}, {5, 0}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(::testing::Message() << c.names[0]);
    std::vector<LPOLESTR> names;
    for (const wchar_t* name : c.names) names.push_back(const_cast<LPOLESTR>(name));
    std::vector<DISPID> ids(names.size(), DISPID_UNKNOWN);
    ASSERT_EQ(spDispatch->GetIDsOfNames(IID_NULL, names.data(), static_cast<UINT>(names.size()),
                                        LOCALE_USER_DEFAULT, ids.data()),
              S_OK);
    EXPECT_EQ(ids, c.ids);
  }

  LPOLESTR unknown = const_cast<LPOLESTR>(L"SendButton");
  DISPID id = 0;
  EXPECT_EQ(spDispatch->GetIDsOfNames(IID_NULL, &unknown, 1, LOCALE_USER_DEFAULT, &id),
            DISP_E_UNKNOWNNAME);
  EXPECT_EQ(spDispatch->GetIDsOfNames(IID_IDispatch, &unknown, 1, LOCALE_USER_DEFAULT, &id),
            DISP_E_UNKNOWNINTERFACE);
  DISPPARAMS noArgs = {};
  EXPECT_EQ(spDispatch->Invoke(99, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &noArgs, nullptr,
                               nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);

  UINT count = 0;
  ASSERT_EQ(spDispatch->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
  ComPtr<ITypeInfo> spTypeInfo;
  ASSERT_EQ(spDispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, &spTypeInfo), S_OK);
  TYPEATTR* pAttr = nullptr;
  ASSERT_EQ(spTypeInfo->GetTypeAttr(&pAttr), S_OK);
  EXPECT_TRUE(IsEqualGUID(pAttr->guid, IID_INorvaleOAddin)) << GuidText(pAttr->guid);
  spTypeInfo->ReleaseTypeAttr(pAttr);
  EXPECT_EQ(spDispatch->GetTypeInfo(1, LOCALE_USER_DEFAULT, &spTypeInfo), DISP_E_BADINDEX);
}

// Office's two interfaces take their IDispatch half from Office's own type
// libraries (Add-in Designer 1.0, Office 2.4), which only an Office
// installation registers: each describes its own interface or, without
// Office, reports the library missing.
TEST_F(ObjectTest, OfficeInterfacesDispatchThroughOfficesTypeLibraries) {
  ComPtr<IUnknown> spUnknown = Create();
  ASSERT_TRUE(spUnknown);
  for (const IID* iid : {&com::IID_IDTExtensibility2, &com::IID_IRibbonExtensibility}) {
    SCOPED_TRACE(GuidText(*iid));
    ComPtr<IDispatch> spHalf;
    ASSERT_EQ(spUnknown->QueryInterface(*iid, reinterpret_cast<void**>(spHalf.GetAddressOf())),
              S_OK);
    ComPtr<IDispatch> spAddinHalf;
    ASSERT_EQ(spUnknown.As(&spAddinHalf), S_OK);
    EXPECT_NE(spHalf.Get(), spAddinHalf.Get());

    ComPtr<ITypeInfo> spTypeInfo;
    const HRESULT hr = spHalf->GetTypeInfo(0, LOCALE_USER_DEFAULT, &spTypeInfo);
    LPOLESTR name = const_cast<LPOLESTR>(L"OnInitializeRibbon");
    DISPID id = 0;
    if (hr == TYPE_E_LIBNOTREGISTERED) {
      EXPECT_EQ(spHalf->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id),
                TYPE_E_LIBNOTREGISTERED);
      continue;
    }
    ASSERT_EQ(hr, S_OK);
    TYPEATTR* pAttr = nullptr;
    ASSERT_EQ(spTypeInfo->GetTypeAttr(&pAttr), S_OK);
    EXPECT_TRUE(IsEqualGUID(pAttr->guid, *iid)) << GuidText(pAttr->guid);
    spTypeInfo->ReleaseTypeAttr(pAttr);
    // The add-in's callback names belong to INorvaleOAddin only.
    EXPECT_EQ(spHalf->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id),
              DISP_E_UNKNOWNNAME);
  }
}

TEST_F(ObjectTest, ClassObjectIsCachedAndOnlyForTheAddinClass) {
  void* pv = reinterpret_cast<void*>(1);
  EXPECT_EQ(dll().GetClassObject(IID_IDispatch, IID_IClassFactory, &pv), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(pv, nullptr);

  ComPtr<IClassFactory> spFirst = Factory(), spSecond = Factory();
  EXPECT_EQ(spFirst.Get(), spSecond.Get());
}

// DllCanUnloadNow: S_FALSE while an object, a factory reference or a
// LockServer lock lives.
TEST_F(ObjectTest, LockCountFollowsObjectsFactoriesAndLocks) {
  ComPtr<IClassFactory> spFactory = Factory();
  ASSERT_TRUE(spFactory);
  EXPECT_EQ(dll().CanUnloadNow(), S_FALSE);
  ComPtr<INorvaleOAddin> spAddin;
  ASSERT_EQ(spFactory->CreateInstance(nullptr, IID_PPV_ARGS(&spAddin)), S_OK);
  spFactory.Reset();
  EXPECT_EQ(dll().CanUnloadNow(), S_FALSE);
  spAddin.Reset();
  EXPECT_EQ(dll().CanUnloadNow(), S_OK);

  spFactory = Factory();
  ASSERT_EQ(spFactory->LockServer(TRUE), S_OK);
  spFactory.Reset();
  EXPECT_EQ(dll().CanUnloadNow(), S_FALSE);
  spFactory = Factory();
  ASSERT_EQ(spFactory->LockServer(FALSE), S_OK);
  spFactory.Reset();
  EXPECT_EQ(dll().CanUnloadNow(), S_OK);
}

// An outer object for aggregation that counts its references and hands every
// interface but IUnknown to the inner object.
class OuterObject final : public OwnedFake<IUnknown> {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown || m_pInner == nullptr) return OwnedFake::QueryInterface(riid, ppv);
    return m_pInner->QueryInterface(riid, ppv);
  }

  IUnknown* m_pInner = nullptr;

 private:
  void* Find(REFIID riid) override {
    return riid == IID_IUnknown ? static_cast<IUnknown*>(this) : nullptr;
  }
};

TEST_F(ObjectTest, RefusedCreationsLeaveNoObject) {
  OuterObject outer;
  struct Case {
    const char* name;
    IUnknown* outer;
    const IID& iid;
    HRESULT hr;
  };
  const Case kCases[] = {
      {"aggregated, asked for IDispatch", &outer, IID_IDispatch, CLASS_E_NOAGGREGATION},
      {"aggregated, asked for INorvaleOAddin", &outer, IID_INorvaleOAddin, CLASS_E_NOAGGREGATION},
      {"plain, asked for an interface it lacks", nullptr, IID_IClassFactory, E_NOINTERFACE},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    void* pv = reinterpret_cast<void*>(1);
    EXPECT_EQ(Factory()->CreateInstance(c.outer, c.iid, &pv), c.hr);
    EXPECT_EQ(pv, nullptr);
    EXPECT_EQ(dll().CanUnloadNow(), S_OK);
  }
  EXPECT_EQ(outer.refs(), 1u);
}

TEST_F(ObjectTest, AggregatedObjectDelegatesToTheOuterObject) {
  OuterObject outer;
  ASSERT_EQ(Factory()->CreateInstance(&outer, IID_PPV_ARGS(&outer.m_pInner)), S_OK);
  // The inner object holds no reference on the outer one.
  EXPECT_EQ(outer.refs(), 1u);

  ComPtr<INorvaleOAddin> spAddin;
  ASSERT_EQ(outer.QueryInterface(IID_PPV_ARGS(&spAddin)), S_OK);
  EXPECT_EQ(outer.refs(), 2u);
  // The identity, and every further request, belong to the outer object.
  ComPtr<IUnknown> spIdentity;
  ASSERT_EQ(spAddin.As(&spIdentity), S_OK);
  EXPECT_EQ(spIdentity.Get(), static_cast<IUnknown*>(&outer));
  spIdentity.Reset();
  ComPtr<ISupportErrorInfo> spErrorInfo;
  EXPECT_EQ(spAddin.As(&spErrorInfo), S_OK);
  spErrorInfo.Reset();
  spAddin.Reset();
  EXPECT_EQ(outer.refs(), 1u);

  // The inner IUnknown answers IUnknown with itself and keeps the object alive.
  IUnknown* pInnerAgain = nullptr;
  ASSERT_EQ(outer.m_pInner->QueryInterface(IID_PPV_ARGS(&pInnerAgain)), S_OK);
  EXPECT_EQ(pInnerAgain, outer.m_pInner);
  EXPECT_EQ(pInnerAgain->Release(), 1u);
  EXPECT_EQ(dll().CanUnloadNow(), S_FALSE);
  EXPECT_EQ(outer.m_pInner->Release(), 0u);
}

}  // namespace
}  // namespace norvale::win::tests
