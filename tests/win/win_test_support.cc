#include "tests/win/win_test_support.h"

#include <gtest/gtest.h>

#include "base/win/module.h"

namespace norvale::win::tests {
namespace {

template <typename Fn>
bool Resolve(HMODULE module, const char* name, Fn*& fn) {
  const bool found = ResolveExport(module, name, fn);
  EXPECT_TRUE(found) << "export " << name;
  return found;
}

}  // namespace

std::wstring GuidText(const GUID& guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
}

bool NorvaleDll::Load() {
  m_module.reset(LoadLibraryW(L"NorvaleOAddin.dll"));
  EXPECT_TRUE(m_module) << "LoadLibrary failed: " << GetLastError();
  if (!m_module) return false;
  return Resolve(module(), "DllCanUnloadNow", m_pfnCanUnloadNow) &&
         Resolve(module(), "DllGetClassObject", m_pfnGetClassObject) &&
         Resolve(module(), "DllRegisterServer", m_pfnRegisterServer) &&
         Resolve(module(), "DllUnregisterServer", m_pfnUnregisterServer);
}

std::wstring NorvaleDll::path() const { return ModulePath(module()); }

}  // namespace norvale::win::tests

// COM as regsvr32 and Outlook's user-interface thread have it: OLE in a
// single-threaded apartment.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (FAILED(OleInitialize(nullptr))) return 2;
  const int result = RUN_ALL_TESTS();
  OleUninitialize();
  return result;
}
