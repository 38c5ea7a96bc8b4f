// Registers the DLL as regsvr32 does and reads the registry back.
#include <windows.h>

#include <oleauto.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "NorvaleOlkAddin.h"
#include "tests/win/win_test_support.h"

namespace norvale::win::tests {
namespace {

using Microsoft::WRL::ComPtr;

constexpr wchar_t kAddinKey[] = L"Software\\Microsoft\\Office\\Outlook\\Addins";
constexpr wchar_t kProgId[] = L"NorvaleOlkAddin.NorvaleOAddin";
constexpr wchar_t kVersionedProgId[] = L"NorvaleOlkAddin.NorvaleOAddin.1";

// A key as the test sees it: values by name ("" is the default value), each
// shown as "REG_SZ:text" or "REG_DWORD:n", and the names of its subkeys.
struct KeyContents {
  std::map<std::wstring, std::wstring> values;
  std::set<std::wstring> subkeys;
};

std::wstring Under(std::wstring_view parent, std::wstring_view child) {
  return std::wstring(parent) + L"\\" + std::wstring(child);
}

std::wstring Sz(const std::wstring& text) { return L"REG_SZ:" + text; }
std::wstring Dword(DWORD n) { return L"REG_DWORD:" + std::to_wstring(n); }

std::optional<KeyContents> ReadKey(HKEY root, const std::wstring& path) {
  UniqueHkey key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  KeyContents contents;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD nameLength = 256;
    DWORD type = 0;
    BYTE data[2048];
    DWORD dataSize = sizeof(data);
    if (RegEnumValueW(key.get(), i, name, &nameLength, nullptr, &type, data, &dataSize) !=
        ERROR_SUCCESS) {
      break;
    }
    const auto* text = reinterpret_cast<const wchar_t*>(data);
    std::wstring shown;
    if (type == REG_SZ) {
      shown = Sz(std::wstring(text, wcsnlen(text, dataSize / sizeof(wchar_t))));
    } else if (type == REG_DWORD) {
      shown = Dword(*reinterpret_cast<const DWORD*>(data));
    } else {
      shown = L"type " + std::to_wstring(type);
    }
    contents.values[std::wstring(name, nameLength)] = shown;
  }
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD nameLength = 256;
    if (RegEnumKeyExW(key.get(), i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    contents.subkeys.insert(std::wstring(name, nameLength));
  }
  return contents;
}

bool KeyExists(HKEY root, const std::wstring& path) { return ReadKey(root, path).has_value(); }

void WriteString(HKEY root, const std::wstring& path, const wchar_t* name, const wchar_t* text) {
  ASSERT_EQ(RegSetKeyValueW(root, path.c_str(), name, REG_SZ, text,
                            static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
}

struct ExpectedKey {
  HKEY root;
  const char* rootName;
  std::wstring path;
  KeyContents contents;
};

// Every key the registration writes and owns, with exactly its values and
// subkeys.
std::vector<ExpectedKey> RegisteredKeys(const std::wstring& dllPath) {
  const std::wstring clsid = GuidText(CLSID_NorvaleOAddin);
  const std::wstring classKey = L"CLSID\\" + clsid;
  const KeyContents outlookAddin = {
      {{L"FriendlyName", Sz(L"Norvale Microsoft Outlook Addin")},
       {L"Description", Sz(L"ATLCOM Norvale Microsoft Outlook Addin")},
       {L"LoadBehavior", Dword(3)},
       {L"CommandLineSafe", Dword(0)}},
      {}};
  return {
      {HKEY_CLASSES_ROOT,
       "HKCR",
       kVersionedProgId,
       {{{L"", Sz(L"NorvaleOAddin Class")}}, {L"CLSID"}}},
      {HKEY_CLASSES_ROOT, "HKCR", Under(kVersionedProgId, L"CLSID"), {{{L"", Sz(clsid)}}, {}}},
      {HKEY_CLASSES_ROOT,
       "HKCR",
       kProgId,
       {{{L"", Sz(L"NorvaleOAddin Class")}}, {L"CLSID", L"CurVer"}}},
      {HKEY_CLASSES_ROOT, "HKCR", Under(kProgId, L"CLSID"), {{{L"", Sz(clsid)}}, {}}},
      {HKEY_CLASSES_ROOT, "HKCR", Under(kProgId, L"CurVer"), {{{L"", Sz(kVersionedProgId)}}, {}}},
      {HKEY_CLASSES_ROOT,
       "HKCR",
       classKey,
       {{{L"", Sz(L"NorvaleOAddin Class")}},
        {L"ProgID", L"VersionIndependentProgID", L"Programmable", L"InprocServer32", L"TypeLib"}}},
      {HKEY_CLASSES_ROOT, "HKCR", Under(classKey, L"ProgID"), {{{L"", Sz(kVersionedProgId)}}, {}}},
      {HKEY_CLASSES_ROOT,
       "HKCR",
       Under(classKey, L"VersionIndependentProgID"),
       {{{L"", Sz(kProgId)}}, {}}},
      {HKEY_CLASSES_ROOT, "HKCR", Under(classKey, L"Programmable"), {{}, {}}},
      {HKEY_CLASSES_ROOT,
       "HKCR",
       Under(classKey, L"InprocServer32"),
       {{{L"", Sz(dllPath)}, {L"ThreadingModel", Sz(L"Apartment")}}, {}}},
      {HKEY_CLASSES_ROOT,
       "HKCR",
       Under(classKey, L"TypeLib"),
       {{{L"", Sz(GuidText(LIBID_NorvaleOlkAddinLib))}}, {}}},
      {HKEY_CURRENT_USER, "HKCU", Under(kAddinKey, kProgId), outlookAddin},
      {HKEY_LOCAL_MACHINE, "HKLM", Under(kAddinKey, kProgId), outlookAddin},
  };
}

void ExpectRegistered(const std::wstring& dllPath) {
  for (const ExpectedKey& expected : RegisteredKeys(dllPath)) {
    SCOPED_TRACE(::testing::Message() << expected.rootName << "\\" << expected.path);
    const std::optional<KeyContents> actual = ReadKey(expected.root, expected.path);
    ASSERT_TRUE(actual.has_value());
    EXPECT_EQ(actual->values, expected.contents.values);
    EXPECT_EQ(actual->subkeys, expected.contents.subkeys);
  }
}

class RegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_dll.Load()); }
  void TearDown() override { m_dll.UnregisterServer(); }

  NorvaleDll m_dll;
};

TEST_F(RegistrationTest, WritesExactlyTheTablesAndAgainWithoutStaleValues) {
  ASSERT_EQ(m_dll.RegisterServer(), S_OK);
  ExpectRegistered(m_dll.path());

  // What an older registration or a user may have left in the add-in's keys.
  const std::wstring classKey = L"CLSID\\" + GuidText(CLSID_NorvaleOAddin);
  WriteString(HKEY_CURRENT_USER, Under(kAddinKey, kProgId), L"Stale", L"old");
  WriteString(HKEY_LOCAL_MACHINE, Under(kAddinKey, kProgId), L"LoadBehavior", L"wrong type");
  WriteString(HKEY_CLASSES_ROOT, Under(classKey, L"InprocServer32"), nullptr, L"C:\\old.dll");
  WriteString(HKEY_CLASSES_ROOT, Under(classKey, L"LocalServer32"), nullptr, L"C:\\old.exe");

  ASSERT_EQ(m_dll.RegisterServer(), S_OK);
  ExpectRegistered(m_dll.path());
}

TEST_F(RegistrationTest, UnregisteringRemovesTheAddinsKeysAndKeepsTheShared) {
  ASSERT_EQ(m_dll.RegisterServer(), S_OK);
  // Another add-in's key under the same parent must survive.
  WriteString(HKEY_CURRENT_USER, Under(kAddinKey, L"Other.Addin"), L"LoadBehavior", L"3");

  ASSERT_EQ(m_dll.UnregisterServer(), S_OK);

  for (const ExpectedKey& removed : RegisteredKeys(m_dll.path())) {
    EXPECT_FALSE(KeyExists(removed.root, removed.path)) << removed.rootName << "\\" << removed.path;
  }
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"TypeLib\\" + GuidText(LIBID_NorvaleOlkAddinLib)));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"Interface\\" + GuidText(IID_INorvaleOAddin)));

  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID"));
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    EXPECT_TRUE(KeyExists(root, kAddinKey));
  }
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Under(kAddinKey, L"Other.Addin")));
  RegDeleteTreeW(HKEY_CURRENT_USER, Under(kAddinKey, L"Other.Addin").c_str());
}

// The type library, found by LIBID and version 1.0 as Office and the add-in
// object look it up, describes the class and the callback interface.
TEST_F(RegistrationTest, RegistersTheTypeLibraryFromTheDll) {
  ASSERT_EQ(m_dll.RegisterServer(), S_OK);

  UniqueBstr path;
  ASSERT_EQ(QueryPathOfRegTypeLib(LIBID_NorvaleOlkAddinLib, 1, 0, 0, path.put()), S_OK);
  EXPECT_EQ(std::wstring(path.get()), m_dll.path());

  ComPtr<ITypeLib> spTypeLib;
  ASSERT_EQ(LoadRegTypeLib(LIBID_NorvaleOlkAddinLib, 1, 0, 0, &spTypeLib), S_OK);
  TLIBATTR* pLibAttr = nullptr;
  ASSERT_EQ(spTypeLib->GetLibAttr(&pLibAttr), S_OK);
  EXPECT_EQ(pLibAttr->lcid, 0u);
  EXPECT_EQ(pLibAttr->syskind, SYS_WIN32);
  EXPECT_EQ(pLibAttr->wMajorVerNum, 1);
  EXPECT_EQ(pLibAttr->wMinorVerNum, 0);
  spTypeLib->ReleaseTLibAttr(pLibAttr);

  UniqueBstr name, doc;
  ASSERT_EQ(spTypeLib->GetDocumentation(-1, name.put(), doc.put(), nullptr, nullptr), S_OK);
  EXPECT_STREQ(name.get(), L"NorvaleOlkAddinLib");
  EXPECT_STREQ(doc.get(), L"NorvaleOlkAddin 1.0 Type Library");

  ASSERT_EQ(spTypeLib->GetTypeInfoCount(), 2u);
  struct ExpectedType {
    TYPEKIND kind;
    const GUID& guid;
    const wchar_t* name;
    const wchar_t* doc;
    WORD flags;
  };
  const ExpectedType kTypes[] = {
      {TKIND_COCLASS, CLSID_NorvaleOAddin, L"NorvaleOAddin", L"NorvaleOAddin Class",
       TYPEFLAG_FCANCREATE},
      {TKIND_DISPATCH, IID_INorvaleOAddin, L"INorvaleOAddin", L"INorvaleOAddin Interface",
       TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE},
  };
  for (UINT i = 0; i < 2; ++i) {
    SCOPED_TRACE(::testing::Message() << "type " << i);
    ComPtr<ITypeInfo> spTypeInfo;
    ASSERT_EQ(spTypeLib->GetTypeInfo(i, &spTypeInfo), S_OK);
    TYPEATTR* pAttr = nullptr;
    ASSERT_EQ(spTypeInfo->GetTypeAttr(&pAttr), S_OK);
    EXPECT_EQ(pAttr->typekind, kTypes[i].kind);
    EXPECT_TRUE(IsEqualGUID(pAttr->guid, kTypes[i].guid)) << GuidText(pAttr->guid);
    EXPECT_EQ(pAttr->wTypeFlags, kTypes[i].flags);
    spTypeInfo->ReleaseTypeAttr(pAttr);
    ASSERT_EQ(spTypeLib->GetDocumentation(i, name.put(), doc.put(), nullptr, nullptr), S_OK);
    EXPECT_STREQ(name.get(), kTypes[i].name);
    EXPECT_STREQ(doc.get(), kTypes[i].doc);
  }

  // The class's default interface is INorvaleOAddin.
  ComPtr<ITypeInfo> spClass, spDefault;
  ASSERT_EQ(spTypeLib->GetTypeInfo(0, &spClass), S_OK);
  INT implFlags = 0;
  ASSERT_EQ(spClass->GetImplTypeFlags(0, &implFlags), S_OK);
  EXPECT_EQ(implFlags, IMPLTYPEFLAG_FDEFAULT);
  HREFTYPE ref = 0;
  ASSERT_EQ(spClass->GetRefTypeOfImplType(0, &ref), S_OK);
  ASSERT_EQ(spClass->GetRefTypeInfo(ref, &spDefault), S_OK);
  TYPEATTR* pDefaultAttr = nullptr;
  ASSERT_EQ(spDefault->GetTypeAttr(&pDefaultAttr), S_OK);
  EXPECT_TRUE(IsEqualGUID(pDefaultAttr->guid, IID_INorvaleOAddin));
  spDefault->ReleaseTypeAttr(pDefaultAttr);
}

// The interface half of the dual interface: five methods in order, each with
// its DISPID, parameter names and directions, help text and HRESULT.
TEST_F(RegistrationTest, TypeLibraryDescribesTheFiveCallbacks) {
  ASSERT_EQ(m_dll.RegisterServer(), S_OK);
  ComPtr<ITypeInfo> spDispatch, spInterface;
  ComPtr<ITypeLib> spTypeLib;
  ASSERT_EQ(LoadRegTypeLib(LIBID_NorvaleOlkAddinLib, 1, 0, 0, &spTypeLib), S_OK);
  ASSERT_EQ(spTypeLib->GetTypeInfoOfGuid(IID_INorvaleOAddin, &spDispatch), S_OK);
  HREFTYPE ref = 0;
  ASSERT_EQ(spDispatch->GetRefTypeOfImplType(-1, &ref), S_OK);
  ASSERT_EQ(spDispatch->GetRefTypeInfo(ref, &spInterface), S_OK);

  constexpr USHORT kIn = PARAMFLAG_FIN;
  constexpr USHORT kOutRetval = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;
  struct Param {
    const wchar_t* name;
    USHORT flags;
    VARTYPE type;  // VT_PTR | pointee for an out parameter
  };
  struct Method {
    MEMBERID dispid;
    const wchar_t* name;
    std::vector<Param> params;
  };
  const Method kMethods[] = {
      {1, L"OnInitializeRibbon", {{L"pControl", kIn, VT_DISPATCH}}},
      {2, L"SendButton_Action", {{L"RibbonControl", kIn, VT_DISPATCH}}},
      {3, L"GetImage", {{L"pControl", kIn, VT_DISPATCH}, {L"picture", kOutRetval, VT_DISPATCH}}},
      {4, L"GetVisible", {{L"pControl", kIn, VT_DISPATCH}, {L"pvarfEnabled", kOutRetval, VT_BOOL}}},
      {5, L"SendInlineButton_Action", {{L"RibbonControl", kIn, VT_DISPATCH}}},
  };

  TYPEATTR* pAttr = nullptr;
  ASSERT_EQ(spInterface->GetTypeAttr(&pAttr), S_OK);
  EXPECT_EQ(pAttr->typekind, TKIND_INTERFACE);
  EXPECT_EQ(pAttr->wTypeFlags, TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE);
  // Its own methods only; IDispatch's are inherited from stdole2.
  EXPECT_EQ(pAttr->cFuncs, 5);
  spInterface->ReleaseTypeAttr(pAttr);

  for (UINT i = 0; i < 5; ++i) {
    const Method& expected = kMethods[i];
    SCOPED_TRACE(::testing::Message() << "method " << i);
    FUNCDESC* pFunc = nullptr;
    ASSERT_EQ(spInterface->GetFuncDesc(i, &pFunc), S_OK);
    EXPECT_EQ(pFunc->memid, expected.dispid);
    EXPECT_EQ(pFunc->invkind, INVOKE_FUNC);
    EXPECT_EQ(pFunc->elemdescFunc.tdesc.vt, VT_HRESULT);
    ASSERT_EQ(pFunc->cParams, static_cast<SHORT>(expected.params.size()));
    for (SHORT p = 0; p < pFunc->cParams; ++p) {
      const ELEMDESC& param = pFunc->lprgelemdescParam[p];
      EXPECT_EQ(param.paramdesc.wParamFlags, expected.params[p].flags) << "param " << p;
      const bool out = expected.params[p].flags & PARAMFLAG_FOUT;
      const TYPEDESC& type = out ? *param.tdesc.lptdesc : param.tdesc;
      if (out) {
        EXPECT_EQ(param.tdesc.vt, VT_PTR) << "param " << p;
      }
      EXPECT_EQ(type.vt, expected.params[p].type) << "param " << p;
    }
    BSTR names[3] = {};
    UINT count = 0;
    ASSERT_EQ(spInterface->GetNames(pFunc->memid, names, 3, &count), S_OK);
    std::vector<std::wstring> actualNames;
    for (UINT n = 0; n < count; ++n) {
      actualNames.emplace_back(names[n]);
      SysFreeString(names[n]);
    }
    std::vector<std::wstring> expectedNames = {expected.name};
    for (const Param& param : expected.params) expectedNames.emplace_back(param.name);
    EXPECT_EQ(actualNames, expectedNames);
    spInterface->ReleaseFuncDesc(pFunc);

    UniqueBstr doc;
    ASSERT_EQ(spInterface->GetDocumentation(expected.dispid, nullptr, doc.put(), nullptr, nullptr),
              S_OK);
    EXPECT_EQ(std::wstring(doc.get()), std::wstring(L"method ") + expected.name);
  }
}

}  // namespace
}  // namespace norvale::win::tests
