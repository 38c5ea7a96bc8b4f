#include "server/module.h"

#include <oleauto.h>
#include <wrl/client.h>

#include <string>
#include <string_view>

#include "base/hresult.h"
#include "base/win/module.h"
#include "norvale_guids.h"
#include "resource.h"
#include "server/class_table.h"
#include "server/registrar.h"

namespace norvale::win {

CNorvaleOlkAddinApp g_app;
CNorvaleOlkAddinModule g_module;

namespace {

using Microsoft::WRL::ComPtr;

// `text` as the inside of a quoted script string, in which a quote is doubled.
std::wstring QuotedForScript(std::wstring_view text) {
  std::wstring quoted;
  for (const wchar_t c : text) {
    quoted += c;
    if (c == L'\'') quoted += c;
  }
  return quoted;
}

// Registers the type library in this DLL's resources machine-wide, with the
// DLL's directory as its help directory.
HRESULT RegisterTypeLibrary() {
  std::wstring path = ModulePath(g_app.instance());
  ComPtr<ITypeLib> spTypeLib;
  HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &spTypeLib);
  if (FAILED(hr)) return hr;
  std::wstring helpDir = path.substr(0, path.find_last_of(L"\\/:") + 1);
  return RegisterTypeLib(spTypeLib.Get(), path.data(), helpDir.data());
}

HRESULT UnregisterTypeLibrary() {
  ComPtr<ITypeLib> spTypeLib;
  HRESULT hr = LoadTypeLibEx(ModulePath(g_app.instance()).c_str(), REGKIND_NONE, &spTypeLib);
  if (FAILED(hr)) return hr;
  TLIBATTR* pAttr = nullptr;
  hr = spTypeLib->GetLibAttr(&pAttr);
  if (FAILED(hr)) return hr;
  const TLIBATTR attr = *pAttr;
  spTypeLib->ReleaseTLibAttr(pAttr);
  return UnRegisterTypeLib(attr.guid, attr.wMajorVerNum, attr.wMinorVerNum, attr.lcid,
                           attr.syskind);
}

}  // namespace

LONG CNorvaleOlkAddinModule::Lock() { return g_app.AddObject(); }

LONG CNorvaleOlkAddinModule::Unlock() { return g_app.RemoveObject(); }

LONG LockModule() { return g_module.Lock(); }

LONG UnlockModule() { return g_module.Unlock(); }

LONG CNorvaleOlkAddinModule::GetLockCount() const { return g_app.objectCount(); }

UINT CNorvaleOlkAddinModule::registryScript() const { return IDR_NORVALEOADDIN; }

HRESULT CNorvaleOlkAddinModule::UpdateRegistryFromResource(UINT id, bool bRegister) {
  ComPtr<IRegistrar> spRegistrar;
  HRESULT hr =
      CoCreateInstance(CLSID_Registrar, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&spRegistrar));
  if (FAILED(hr)) return hr;
  const std::wstring path = ModulePath(g_app.instance());
  hr = spRegistrar->AddReplacement(L"MODULE", QuotedForScript(path).c_str());
  if (SUCCEEDED(hr)) hr = spRegistrar->AddReplacement(L"APPID", kAppIdText);
  if (FAILED(hr)) return hr;
  return bRegister ? spRegistrar->ResourceRegister(path.c_str(), id, L"REGISTRY")
                   : spRegistrar->ResourceUnregister(path.c_str(), id, L"REGISTRY");
}

HRESULT CNorvaleOlkAddinModule::RegisterServer() {
  HRESULT hr = ClassTableUpdateRegistry(true);
  return FAILED(hr) ? hr : RegisterTypeLibrary();
}

HRESULT CNorvaleOlkAddinModule::UnregisterServer() {
  HRESULT hr = ClassTableUpdateRegistry(false);
  return FAILED(hr) ? hr : UnregisterTypeLibrary();
}

}  // namespace norvale::win
