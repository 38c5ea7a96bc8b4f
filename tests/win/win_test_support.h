// What the Windows test programs share: the DLL under test, loaded as
// regsvr32 and COM load it, and GUIDs as text.
#pragma once

#include <windows.h>

#include <ole2.h>

#include <gtest/gtest.h>

#include <string>

#include "base/win/unique_handle.h"

namespace norvale::win::tests {

// The text form "{XXXXXXXX-...}" of a GUID, as the registry spells it.
std::wstring GuidText(const GUID& guid);

// NorvaleOAddin.dll, loaded from the test program's folder, with its exports.
class NorvaleDll {
 public:
  // Loads the DLL; false (with a gtest failure) when it or an export is missing.
  bool Load();

  std::wstring path() const;
  HMODULE module() const { return m_module.get(); }

  HRESULT CanUnloadNow() const { return m_pfnCanUnloadNow(); }
  HRESULT GetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) const {
    return m_pfnGetClassObject(rclsid, riid, ppv);
  }
  HRESULT RegisterServer() const { return m_pfnRegisterServer(); }
  HRESULT UnregisterServer() const { return m_pfnUnregisterServer(); }

 private:
  UniqueModule m_module;
  HRESULT(STDAPICALLTYPE* m_pfnCanUnloadNow)() = nullptr;
  HRESULT(STDAPICALLTYPE* m_pfnGetClassObject)(REFCLSID, REFIID, void**) = nullptr;
  HRESULT(STDAPICALLTYPE* m_pfnRegisterServer)() = nullptr;
  HRESULT(STDAPICALLTYPE* m_pfnUnregisterServer)() = nullptr;
};

// A test suite that registers the DLL once, as regsvr32 would, and removes
// the registration when the suite ends.
template <typename Base = ::testing::Test>
class RegisteredDllTest : public Base {
 protected:
  static void SetUpTestSuite() {
    s_dll = new NorvaleDll;
    s_registered = s_dll->Load() && s_dll->RegisterServer() == S_OK;
  }
  static void TearDownTestSuite() {
    if (s_registered) s_dll->UnregisterServer();
    delete s_dll;
    s_dll = nullptr;
  }

  static inline NorvaleDll* s_dll = nullptr;
  static inline bool s_registered = false;
};

}  // namespace norvale::win::tests
